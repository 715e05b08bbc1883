// A shared object that leaves a mark when it is loaded: it stands for code
// that another account puts where the agent would load it as root.

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

__attribute__((constructor)) void LeaveMark() {
    const char* folder = std::getenv("ALLUSERSPROFILE");
    if (folder != nullptr) {
        if (FILE* mark = std::fopen((std::string(folder) + "/foreign-code-ran").c_str(), "w")) {
            std::fclose(mark);
        }
    }
}

}  // namespace
