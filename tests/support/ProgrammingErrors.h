#pragma once
// The dialog layer's programming errors in GUI tests: they fail the running test, except
// inside a ProgrammingErrors scope, which collects them for a test that provokes them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/CDialog.h"

namespace testsupport {

inline std::vector<std::string>& CollectedProgrammingErrors() {
    static std::vector<std::string> collected;
    return collected;
}

inline void FailOnProgrammingError(const std::string& text) {
    ADD_FAILURE() << "programming error: " << text;
}

class ProgrammingErrors {
public:
    ProgrammingErrors() {
        CollectedProgrammingErrors().clear();
        ui::SetProgrammingErrorHandler(
            [](const std::string& text) { CollectedProgrammingErrors().push_back(text); });
    }
    ~ProgrammingErrors() { ui::SetProgrammingErrorHandler(&FailOnProgrammingError); }
    ProgrammingErrors(const ProgrammingErrors&) = delete;
    ProgrammingErrors& operator=(const ProgrammingErrors&) = delete;

    const std::vector<std::string>& Texts() const { return CollectedProgrammingErrors(); }
};

}  // namespace testsupport
