#pragma once
// Gives this process, and the children it starts, an object namespace of its
// own (Q6_SHM_NAMESPACE), and removes everything in it when the test ends;
// and the fixture of the tests of the machine's named objects.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include "os/named_object_space.h"
#include "os/named_object_space_testing.h"
#include "os/object_name.h"

namespace NOs {

// Failed expectations show the reason in words.
inline void PrintTo(const NError& error, std::ostream* out) { *out << error.Message(); }

}  // namespace NOs

// The file that stands for a named object in the current namespace.
inline std::string RecordPath(const std::string& name) {
    return NOs::GetObjectPath(NOs::GetNamedObjectName(name).Value());
}

class NObjectNamespace {
public:
    NObjectNamespace() : m_strName(MakeName()) {
        ::setenv(NOs::kObjectNamespaceVariable, m_strName.c_str(), 1);
    }

    ~NObjectNamespace() {
        static_cast<void>(NOs::RemoveObjectNamespace(m_strName));
        ::unsetenv(NOs::kObjectNamespaceVariable);
    }

    NObjectNamespace(const NObjectNamespace&) = delete;
    NObjectNamespace& operator=(const NObjectNamespace&) = delete;

    const std::string& Name() const { return m_strName; }

    // "Q6_SHM_NAMESPACE=<name>", for a child's environment.
    std::string EnvironmentEntry() const {
        return std::string(NOs::kObjectNamespaceVariable) + "=" + m_strName;
    }

    // The name of an object of the space, checked to be valid.
    static NOs::NObjectName Object(NOs::NObjectSpace space, const std::string& scope,
                                   const std::string& name) {
        return NOs::MakeObjectName(space, scope, name).Value();
    }

    // The entries of the machine's space of the namespace now.
    std::vector<std::string> Objects() const {
        std::vector<std::string> names;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(Folder(), error)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }

    // The folder of the machine's space of the namespace.
    std::filesystem::path Folder() const {
        return NOs::GetObjectSpacePath(NOs::NObjectSpace::Machine, m_strName);
    }

private:
    static std::string MakeName() {
        std::random_device device;
        char text[9];
        std::snprintf(text, sizeof(text), "%08x", static_cast<unsigned>(device()));
        return "t" + std::to_string(::getpid()) + "-" + text;
    }

    std::string m_strName;
};

// A test of the machine's named objects, in a namespace of its own. On
// Linux only root makes the machine's space.
class NMachineSpaceTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifndef _WIN32
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs root: only root makes the machine's object space";
        }
#endif
        ASSERT_TRUE(NOs::CheckObjectSpace(NOs::NObjectSpace::Machine));
    }

    NObjectNamespace m_namespace;
};
