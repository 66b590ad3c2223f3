#pragma once
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

// A fresh directory for one test, removed with everything in it at the end.
class TScratchDir {
public:
    TScratchDir()
    {
        std::string Pattern = (std::filesystem::temp_directory_path() / "orvantis_test_XXXXXX").string();
        if (mkdtemp(Pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp: " << std::strerror(errno);
        }
        Path = Pattern;
    }
    ~TScratchDir()
    {
        std::error_code Ec;
        std::filesystem::remove_all(Path, Ec);
    }
    TScratchDir(const TScratchDir&) = delete;
    TScratchDir& operator=(const TScratchDir&) = delete;

    // Names of the entries directly in the directory.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> Names;
        for (const std::filesystem::directory_entry& E : std::filesystem::directory_iterator(Path)) {
            Names.push_back(E.path().filename().string());
        }
        return Names;
    }

    std::filesystem::path Path;
};

// The file's bytes, read without the code under test.
inline std::string FileBytes(const std::filesystem::path& File)
{
    std::ifstream In(File, std::ios::binary);
    EXPECT_TRUE(In.good()) << "cannot read " << File;
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// The regular files directly in Folder, in name order (kept test inputs, say).
inline std::vector<std::filesystem::path> FilesIn(const std::filesystem::path& Folder)
{
    std::vector<std::filesystem::path> Files;
    for (const auto& Entry : std::filesystem::directory_iterator(Folder)) {
        if (Entry.is_regular_file()) {
            Files.push_back(Entry.path());
        }
    }
    std::sort(Files.begin(), Files.end());
    return Files;
}

// Writes a file directly, without the code under test.
inline void PutFile(const std::filesystem::path& File, const std::string& Text)
{
    std::FILE* F = std::fopen(File.c_str(), "wb");
    ASSERT_NE(F, nullptr);
    std::fwrite(Text.data(), 1, Text.size(), F);
    std::fclose(F);
}
