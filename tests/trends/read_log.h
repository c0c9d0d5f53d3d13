#pragma once
// Every line a status log reader returns, the file opened first (a test fails when it cannot).

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "trends/status_log_reader.h"

inline std::vector<trends::LogLine> ReadAll(const std::string& path,
                                            trends::StatusLogReader* reader) {
    std::string error;
    EXPECT_TRUE(reader->Open(path, &error)) << error;
    std::vector<trends::LogLine> lines;
    for (trends::LogLine line; reader->Next(&line);) {
        lines.push_back(line);
    }
    return lines;
}
