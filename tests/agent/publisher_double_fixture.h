#pragma once
// The publisher tests that run beside the IPC library double: the double
// records its calls into a file of the test's own, and the test scripts the
// results of its exports.

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/agent/publisher_fixture.h"
#include "tests/doubles/ipc_double_calls.h"
#include "tests/support/temp_folder.h"

class NPublisherDoubleFixture : public NPublisherFixture {
protected:
    void SetUp() override {
        NPublisherFixture::SetUp();
        ::setenv(NIpcDouble::kCallsVariable, CallsFile().c_str(), 1);
    }
    void TearDown() override {
        for (const std::string& variable : m_vecScripted) {
            ::unsetenv(variable.c_str());
        }
        ::unsetenv(NIpcDouble::kCallsVariable);
        NPublisherFixture::TearDown();
    }

    // The double's export answers with results ("0,7") until the test ends.
    void Script(const std::string& exportName, const std::string& results) {
        m_vecScripted.push_back(NIpcDouble::ScriptVariable(exportName));
        ::setenv(m_vecScripted.back().c_str(), results.c_str(), 1);
    }

    // The calls the double saw since the last time.
    std::vector<std::string> TakeCalls() {
        std::vector<std::string> calls = NIpcDouble::ReadCalls(CallsFile());
        std::filesystem::remove(CallsFile());
        return calls;
    }

private:
    std::filesystem::path CallsFile() const { return m_folder.Path() / "calls"; }

    NTempFolder m_folder;
    std::vector<std::string> m_vecScripted;
};
