// The tgv test fixture: the command runner driven on real files in a
// scratch folder. Arguments and output are UTF-8 (u8 literals); record texts
// laid out by hand are code page 936 (plain literals).
#pragma once

#include "CombinationFile.h"
#include "LibraryTestSupport.h"
#include "TgvCommands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#ifdef TG_STARTER_BESIDE_TEST
#include <windows.h>
#endif


namespace fs = std::filesystem;
using namespace testlib;

namespace {

// The starter library's readable source, as a UTF-8 path.
[[maybe_unused]] std::string StarterSource()
{
#ifdef TG_STARTER_BESIDE_TEST
    wchar_t module[MAX_PATH];
    GetModuleFileNameW(nullptr, module, MAX_PATH);
    return (fs::path(module).parent_path() / "starter-library.json").u8string();
#else
    return TG_STARTER_SOURCE;
#endif
}

struct TgvTest : ::testing::Test {
    fs::path dir;
    std::string out, err;

    void SetUp() override
    {
        dir = fs::temp_directory_path() /
              ("tg_tgv_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }

    // A path in the scratch folder, as UTF-8.
    std::string P(const std::string& name) const { return (dir / fs::u8path(name)).u8string(); }

    // Standard input is a terminal when set (an interactive merge asks then).
    bool terminal = false;

    int Run(std::vector<std::string> args, const std::string& input = "")
    {
        args.insert(args.begin(), "tgv");
        std::istringstream in(input);
        std::ostringstream o, e;
        const int rc = RunTgv(args, in, o, e, terminal);
        out = o.str();
        err = e.str();
        return rc;
    }

    void WriteBytes(const std::string& name, const Bytes& bytes)
    {
        std::ofstream f(dir / fs::u8path(name), std::ios::binary);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    }
    Bytes ReadBytes(const std::string& name)
    {
        std::ifstream f(dir / fs::u8path(name), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(f), {});
    }
    void WriteText(const std::string& name, const std::string& text)
    {
        std::ofstream f(dir / fs::u8path(name), std::ios::binary);
        f << text;
    }
    std::string ReadText(const std::string& name)
    {
        std::ifstream f(dir / fs::u8path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    }
    // A library built from the readable form (UTF-8 JSON) in the scratch folder.
    void BuildFrom(const std::string& json, const std::string& name)
    {
        WriteText(name + ".json", json);
        ASSERT_EQ(Run({"build", P(name + ".json"), "-o", P(name)}), 0) << err;
    }
};

}  // namespace

