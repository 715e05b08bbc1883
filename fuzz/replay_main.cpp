// Runs a fuzz target once on every file of the folders (or on the files)
// given as arguments, in name order: the seed corpus as a regression test in
// builds without libFuzzer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

// The inputs named by one argument; false when it names nothing readable.
bool CollectInputs(const fs::path& path, std::vector<fs::path>& inputs) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, error)) {
        return false;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file(error)) {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    inputs.insert(inputs.end(), files.begin(), files.end());
    return !error;
}

bool ReadInput(const fs::path& path, std::vector<char>& bytes) {
    std::ifstream stream(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>());
    return !stream.bad();
}

// Runs the target on a heap copy of exactly the input's size, so that the
// sanitizer sees a read past its end.
void RunInput(const std::vector<char>& bytes) {
    const auto copy = std::make_unique<uint8_t[]>(bytes.size());
    std::copy(bytes.begin(), bytes.end(), copy.get());
    LLVMFuzzerTestOneInput(copy.get(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER_OR_FILE...\n", argv[0]);
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int index = 1; index < argc; ++index) {
        if (!CollectInputs(argv[index], inputs)) {
            std::fprintf(stderr, "cannot read %s\n", argv[index]);
            return 1;
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "no inputs to replay\n");
        return 1;
    }
    std::vector<char> bytes;
    for (const fs::path& input : inputs) {
        if (!ReadInput(input, bytes)) {
            std::fprintf(stderr, "cannot read %s\n", input.c_str());
            return 1;
        }
        std::fprintf(stderr, "replaying %s (%zu bytes)\n", input.c_str(), bytes.size());
        RunInput(bytes);
    }
    std::printf("%zu inputs replayed\n", inputs.size());
    return 0;
}
