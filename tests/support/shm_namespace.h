#pragma once
// Gives this process, and the children it starts, a shared-memory namespace
// of its own (Q6_SHM_NAMESPACE), and removes every object in it when the
// test ends.

#include <dirent.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <vector>

class NShmNamespace {
public:
    NShmNamespace() : m_strName("t" + std::to_string(::getpid()) + "-" + RandomHex()) {
        ::setenv("Q6_SHM_NAMESPACE", m_strName.c_str(), 1);
    }

    ~NShmNamespace() {
        for (const std::string& name : Objects()) {
            ::unlink(("/dev/shm/" + name).c_str());
        }
        ::unsetenv("Q6_SHM_NAMESPACE");
    }

    NShmNamespace(const NShmNamespace&) = delete;
    NShmNamespace& operator=(const NShmNamespace&) = delete;

    const std::string& Name() const { return m_strName; }

    // "Q6_SHM_NAMESPACE=<name>", for a child's environment.
    std::string EnvironmentEntry() const { return "Q6_SHM_NAMESPACE=" + m_strName; }

    // The objects now in the namespace.
    std::vector<std::string> Objects() const { return ListShm("q6-" + m_strName + "."); }

    // Temporary objects that this process left behind while creating objects.
    static std::vector<std::string> LeftoverTemporaries() {
        return ListShm("q6tmp." + std::to_string(::getpid()) + ".");
    }

private:
    static std::string RandomHex() {
        std::random_device device;
        char text[9];
        std::snprintf(text, sizeof(text), "%08x", static_cast<unsigned>(device()));
        return text;
    }

    static std::vector<std::string> ListShm(const std::string& prefix) {
        std::vector<std::string> names;
        const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir("/dev/shm"), &::closedir);
        while (folder) {
            const dirent* entry = ::readdir(folder.get());
            if (entry == nullptr) {
                break;
            }
            const std::string name = entry->d_name;
            if (name.compare(0, prefix.size(), prefix) == 0) {
                names.push_back(name);
            }
        }
        return names;
    }

    std::string m_strName;
};
