// walkhost.exe end to end: the test plug-in is loaded from its folder, binds
// every exported host function, and an automation script sends events,
// clicks surfaces, chooses from its popup menu and answers its message box.
// The plug-in's log, walkhost's log, its exit status and the files it wrote
// say whether the host kept its side of the contract.
#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::wstring Folder(const std::wstring& path) { return path.substr(0, path.find_last_of(L"\\/") + 1); }

std::wstring TestFolder()
{
    wchar_t path[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return Folder(path);
}

std::string Narrow(const std::wstring& text)
{
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

std::string ReadFile(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void WriteFile(const std::wstring& path, const std::string& text)
{
    std::ofstream out(path.c_str(), std::ios::binary);
    out << text;
}

struct Outcome {
    DWORD exitCode = 0xFFFFFFFF;
    bool finished = false;
    std::string log;        // walkhost's script log
    std::string pluginLog;  // what the test plug-in received
};

class Walkhost : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH] = L"";
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"walkhost-test-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
        CreateDirectoryW(dir_.c_str(), nullptr);
    }

    void TearDown() override
    {
        if (!HasFailure())
            RemoveTree(dir_);  // kept when a test failed, for a look at the files
    }

    static void RemoveTree(const std::wstring& folder)
    {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((folder + L"*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..")
                    continue;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                    RemoveTree(folder + name + L"\\");
                else
                    DeleteFileW((folder + name).c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(folder.c_str());
    }

    // Runs walkhost with the test plug-in and the script (UTF-8); `$` in the
    // script stands for the work folder.
    Outcome RunScript(std::string script, DWORD timeoutMs = 120000, std::wstring plugins = TestFolder() + L"host-plugins",
                      const std::wstring& extraArguments = L"")
    {
        const std::string folder = Narrow(dir_);
        for (size_t at = script.find('$'); at != std::string::npos; at = script.find('$', at + folder.size()))
            script.replace(at, 1, folder);
        const std::wstring scriptPath = dir_ + L"script.txt", logPath = dir_ + L"walkhost.log",
                           pluginLog = dir_ + L"plugin.log";
        WriteFile(scriptPath, script);
        DeleteFileW(logPath.c_str());
        DeleteFileW(pluginLog.c_str());
        SetEnvironmentVariableW(L"WALKHOST_TESTPLUGIN_LOG", pluginLog.c_str());
        const std::wstring exe = TestFolder() + L"..\\bin\\walkhost.exe";
        std::wstring command = L"\"" + exe + L"\" --plugins \"" + plugins + L"\" --script \"" +
                               scriptPath + L"\" --log \"" + logPath + L"\" " + extraArguments;
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        PROCESS_INFORMATION pi{};
        Outcome run;
        if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
            ADD_FAILURE() << "cannot start walkhost.exe, error " << GetLastError();
            return run;
        }
        run.finished = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
        if (!run.finished)
            TerminateProcess(pi.hProcess, 99);
        GetExitCodeProcess(pi.hProcess, &run.exitCode);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
        run.log = ReadFile(logPath);
        run.pluginLog = ReadFile(pluginLog);
        return run;
    }

    std::wstring dir_;
};

// Lines appear in this order (other lines may come between).
void ExpectInOrder(const std::string& text, std::initializer_list<const char*> lines)
{
    size_t at = 0;
    for (const char* line : lines) {
        const size_t found = text.find(std::string(line) + "\n", at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: '" << line << "' in\n" << text;
        at = found + 1;
    }
}

const char kRoomObj[] =
    "mtllib room.mtl\n"
    "v 0 0 0\nv 4 0 0\nv 4 0 -3\nv 0 0 -3\nv 0 2.5 0\nv 4 2.5 0\nv 4 2.5 -3\nv 0 2.5 -3\n"
    "g floor\nusemtl wood\nf 1 2 3 4\n"
    "g wall\nusemtl paint\nf 4 3 7 8\n";
const char kRoomMtl[] = "newmtl wood\nKd 0.5 0.25 0.125\nmap_Kd oak.jpg\nnewmtl paint\nKd 0.9 0.9 0.8\n";

}  // namespace

TEST_F(Walkhost, PluginBindsReceivesEventsAndChangesMaterials)
{
    WriteFile(dir_ + L"room.obj", kRoomObj);
    WriteFile(dir_ + L"room.mtl", kRoomMtl);
    WriteFile(dir_ + L"broken.obj", "v 0 0 0\nf 1 2 3\n");
    const Outcome run = RunScript(
        "# the typical conversation between host and plug-in\n"
        "expect-plugins 1\n"
        "event go\n"
        "event strings\n"
        "event hsv\n"
        "click living.floor\n"
        "expect-selection living.floor\n"
        "rclick living.wall.north\n"
        "menu \"Paint red\"\n"
        "expect-material living.wall.north 1 0 0\n"
        "expect-material living.wall.west 1 0 0\n"
        "expect-material living.floor 0.62 0.45 0.30 oak_floor.jpg\n"
        "event carried\n"
        "rclick living.ceiling\n"
        "menu \xE9\xA1\xB6\xE6\xA3\x9A\xE8\xA1\xA8\xE9\x9D\xA2\n"
        "expect-material living.ceiling 0.2 0.4 0.9 tiles.bmp\n"
        "event box\n"
        "answer Yes \xE8\xAF\xB7\xE7\xA1\xAE\xE8\xAE\xA4\xE8\xA6\x81\n"
        "dblclick bedroom.floor\n"
        "screenshot \"$view.png\"\n"
        "screenshot \"$screen.bmp\" screen\n"
        "dump \"$materials.txt\"\n"
        "open-bad \"$broken.obj\"\n"
        "answer OK \"\xE6\x97\xA0\xE6\xB3\x95\xE6\x89\x93\xE5\xBC\x80\xE6\xA8\xA1\xE5\x9E\x8B\"\n"
        "open-bad \"$missing.obj\"\n"
        "answer OK \"\xE6\x97\xA0\xE6\xB3\x95\xE8\xAF\xBB\xE5\x8F\x96\"\n"  // 无法读取
        "expect-material living.wall.north 1 0 0\n"
        "open \"$room.obj\"\n"
        "answer OK oak.jpg\n"  // the texture is not there
        "expect-material floor 0.5 0.25 0.125 oak.jpg\n"
        "close-scene\n"
        "expect-empty 1\n"
        "event empty?\n"
        "click-at 10 10\n");
    ASSERT_TRUE(run.finished) << run.log;
    EXPECT_EQ(run.exitCode, 0u) << run.log;
    EXPECT_NE(run.log.find("script: 33 of 33 steps passed"), std::string::npos) << run.log;
    ExpectInOrder(run.pluginLog, {
        "loaded",
        "event go", "empty 0",
        "event strings", "strings 10 1 0 1",
        "event hsv", "hsv 210.0 1.00 1.00 rgb 0.00 0.50 1.00",
        "left 2 material 2", "leftup",
        "right 3", "menu 1",
        "event carried", "carried 1 0 bump.bmp 77 -9 1.5",
        "right 1", "menu 2",
        "event box", "box 6",
        "double",
        "event FileOpened", "event NewModelLoaded",
        "event empty?", "empty 1",
        "left 0 material 0",
    });
    // The message box texts reach the log.
    EXPECT_NE(run.log.find("message box \"\xE8\xAF\xB7\xE7\xA1\xAE\xE8\xAE\xA4\": "), std::string::npos) << run.log;
    EXPECT_NE(run.log.find("\xE6\x97\xA0\xE6\xB3\x95\xE6\x89\x93\xE5\xBC\x80\xE6\xA8\xA1\xE5\x9E\x8B\xE3\x80\x82"), std::string::npos) << run.log;  // 无法打开模型。
    // The failed loads sent no event.
    EXPECT_EQ(run.pluginLog.find("event FileOpened"), run.pluginLog.rfind("event FileOpened"));

    const std::string png = ReadFile(dir_ + L"view.png");
    ASSERT_GT(png.size(), 1000u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    EXPECT_EQ(ReadFile(dir_ + L"screen.bmp").substr(0, 2), "BM");
    const std::string dump = ReadFile(dir_ + L"materials.txt");
    EXPECT_NE(dump.find("living_wall\t1.0000 0.0000 0.0000\t\"\"\tliving.wall.north living.wall.south"), std::string::npos)
        << dump;
    EXPECT_NE(dump.find("living_ceiling\t0.2000 0.4000 0.9000\t\"tiles.bmp\"\tliving.ceiling"), std::string::npos) << dump;
}

TEST_F(Walkhost, FailedStepStopsTheScriptWithStatusOne)
{
    const Outcome run = RunScript("wait-window \"no such window\" 300\nevent go\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_NE(run.log.find("FAILED line 1: no window with the caption 'no such window' within 300 ms"), std::string::npos)
        << run.log;
    EXPECT_EQ(run.pluginLog.find("event go"), std::string::npos);

    const Outcome unknown = RunScript("click no.such.surface\n");
    EXPECT_EQ(unknown.exitCode, 1u);
    EXPECT_NE(unknown.log.find("no surface named 'no.such.surface'"), std::string::npos) << unknown.log;

    // A wrong number of arguments fails the step with the command's usage.
    const Outcome extra = RunScript("expect-empty 0\nevent go 0 extra\n");
    EXPECT_EQ(extra.exitCode, 1u);
    EXPECT_NE(extra.log.find("FAILED line 2: usage: event NAME [PLUGIN-INDEX]"), std::string::npos) << extra.log;

    const Outcome badScript = RunScript("answer \"unterminated\n");
    EXPECT_EQ(badScript.exitCode, 2u);
    EXPECT_NE(badScript.log.find("line 1: unterminated quote"), std::string::npos) << badScript.log;
}

TEST_F(Walkhost, UnansweredMessageBoxDoesNotKeepWalkhostRunning)
{
    const ULONGLONG start = GetTickCount64();
    const Outcome run = RunScript("event box\nexpect-plugins 1\n", 60000);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.log;
    EXPECT_LT(GetTickCount64() - start, 45000u);
}

TEST_F(Walkhost, PluginsThatCannotLoadAreReportedAndTheMenuDrivesTheRest)
{
    const std::wstring plugins = dir_ + L"plugins";  // no trailing backslash: it would quote the quote
    CreateDirectoryW(plugins.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW((TestFolder() + L"host-plugins\\TestPlugin.dll").c_str(), (plugins + L"\\TestPlugin.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((TestFolder() + L"host-plugins-extra\\RefusingPlugin.dll").c_str(),
                          (plugins + L"\\RefusingPlugin.dll").c_str(), FALSE));
    WriteFile(plugins + L"\\garbage.dll", "not a library");
    // 201: "go" to the first plug-in, 200: "go" to all, 102: close scene, 301: reset view.
    const Outcome run = RunScript("expect-plugins 1\nmenu-command 201\nmenu-command 200\nmenu-command 102\n"
                                  "expect-empty 1\nmenu-command 301\nevent empty?\n",
                                  120000, plugins);
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 0u) << run.log;
    EXPECT_NE(run.log.find("Some plug-ins could not be loaded:\n\nRefusingPlugin.dll: could not be loaded (error "),
              std::string::npos)
        << run.log;
    EXPECT_NE(run.log.find("garbage.dll: could not be loaded (error "), std::string::npos) << run.log;
    ExpectInOrder(run.pluginLog, {"loaded", "event go", "empty 0", "event go", "event empty?", "empty 1"});
}

TEST_F(Walkhost, ScriptDrivesAPluginWindowByCaptionAndControlId)
{
    const Outcome run = RunScript(
        "event window\n"
        "wait-window \"Test window\"\n"
        "settext \"Test window\" 100 \"\xE4\xB8\xAD\xE6\x96\x87 text\"\n"
        "expect-text \"Test window\" 100 \"\xE4\xB8\xAD\xE6\x96\x87 text\"\n"
        "press \"Test window\" 101\n"
        "settext \"Test window\" 100 second\n"
        "click-button \"Test window\" 101\n"
        "key \"Test window\" Escape\n"
        "key \"Test window\" q\n"
        "close-window \"Test window\"\n"
        "wait-gone \"Test window\" 2000\n"
        "expect-text \"Test window\" 100 x 300\n");
    ASSERT_TRUE(run.finished);
    EXPECT_EQ(run.exitCode, 1u) << run.log;  // the window is gone at the last step
    EXPECT_NE(run.log.find("script: 11 of 12 steps passed"), std::string::npos) << run.log;
    ExpectInOrder(run.pluginLog, {"event window", "button \xE4\xB8\xAD\xE6\x96\x87 text", "button second", "key 27",
                                  "key 81", "close"});
}

TEST_F(Walkhost, ModelNamedOnTheCommandLineIsLoadedOrReported)
{
    WriteFile(dir_ + L"room.obj", kRoomObj);
    WriteFile(dir_ + L"room.mtl", kRoomMtl);
    const Outcome good = RunScript("expect-material wall 0.9 0.9 0.8\nexpect-empty 0\n", 120000,
                                   TestFolder() + L"host-plugins", L"--size 640x480 \"" + dir_ + L"room.obj\"");
    EXPECT_EQ(good.exitCode, 0u) << good.log;
    // Loaded before the script starts: the plug-in heard of it.
    ExpectInOrder(good.pluginLog, {"loaded", "event FileOpened", "event NewModelLoaded"});

    const Outcome bad = RunScript("expect-material living.floor 0.62 0.45 0.30\n", 120000,
                                  TestFolder() + L"host-plugins", L"\"" + dir_ + L"gone.obj\"");
    EXPECT_EQ(bad.exitCode, 0u) << bad.log;  // the demo scene stays
    EXPECT_NE(bad.log.find("The model could not be opened: "), std::string::npos) << bad.log;
    EXPECT_NE(bad.log.find("gone.obj: the file cannot be read"), std::string::npos) << bad.log;
}

namespace {

// A PNG header claiming 12000 x 12000 pixels: all a decoder reads to learn
// the size (the chunk's checksum is not checked).
std::string HugePngHeader()
{
    std::string png("\x89PNG\r\n\x1a\n", 8);
    png += std::string("\0\0\0\x0dIHDR", 8);
    for (int i = 0; i < 2; ++i)
        png += std::string("\0\0\x2e\xe0", 4);  // 12000, big-endian
    png += std::string("\x08\x02\0\0\0", 5);
    png += std::string("\0\0\0\0", 4);
    png += std::string("\0\0\0\0IEND\xae\x42\x60\x82", 12);
    return png;
}

}  // namespace

TEST_F(Walkhost, RefusedTextureIsReportedAndTheLogNamesTheRenderer)
{
    WriteFile(dir_ + L"room.obj", kRoomObj);
    WriteFile(dir_ + L"room.mtl", "newmtl wood\nKd 0.5 0.25 0.125\nmap_Kd huge.png\nnewmtl paint\nKd 0.9 0.9 0.8\n");
    WriteFile(dir_ + L"huge.png", HugePngHeader());
    // Opened from a script: a message box names the texture, the log too.
    const Outcome opened = RunScript("open \"$room.obj\"\n"
                                     "answer OK \"\xE4\xBB\xA5\xE4\xB8\x8B\xE8\xB4\xB4\xE5\x9B\xBE\xE6\x97\xA0\xE6\xB3\x95\xE6\x98\xBE\xE7\xA4\xBA\"\n"
                                     "expect-material floor 0.5 0.25 0.125 huge.png\n"
                                     "screenshot \"$view.png\"\n",
                                     120000, TestFolder() + L"host-plugins", L"--renderer software");
    ASSERT_TRUE(opened.finished) << opened.log;
    EXPECT_EQ(opened.exitCode, 0u) << opened.log;
    EXPECT_EQ(opened.log.rfind("renderer: software", 0), 0u) << opened.log;
    EXPECT_EQ(opened.log.find("renderer: software ("), std::string::npos) << opened.log;  // chosen, not a fallback
    EXPECT_NE(opened.log.find("texture not drawn: "), std::string::npos) << opened.log;
    EXPECT_NE(opened.log.find("huge.png: 12000 x 12000 pixels, more than the 16777216 walkhost draws"),
              std::string::npos) << opened.log;
    // 模型已打开，但以下贴图无法显示：
    EXPECT_NE(opened.log.find("\xE6\xA8\xA1\xE5\x9E\x8B\xE5\xB7\xB2\xE6\x89\x93\xE5\xBC\x80\xEF\xBC\x8C\xE4\xBD\x86\xE4\xBB\xA5\xE4\xB8\x8B\xE8\xB4\xB4\xE5\x9B\xBE\xE6\x97\xA0\xE6\xB3\x95\xE6\x98\xBE\xE7\xA4\xBA\xEF\xBC\x9A"), std::string::npos)
        << opened.log;
    // Named on the command line of a script run: the log's first lines say it.
    const Outcome named = RunScript("expect-empty 0\n", 120000, TestFolder() + L"host-plugins",
                                    L"--renderer gl \"" + dir_ + L"room.obj\"");
    ASSERT_TRUE(named.finished) << named.log;
    EXPECT_EQ(named.exitCode, 0u) << named.log;
    EXPECT_EQ(named.log.rfind("renderer: OpenGL ", 0), 0u) << named.log;
    EXPECT_NE(named.log.find("texture not drawn: "), std::string::npos) << named.log;
}


namespace {

std::string FirstLine(const std::string& log) { return log.substr(0, log.find_first_of("\r\n")); }

// The renderer OpenGL names in a log's "renderer: OpenGL <version> (<renderer>)"
// (", without shaders" may follow), its own parentheses included.
std::string GlRendererOf(const std::string& line)
{
    const size_t end = line.rfind(')');
    int depth = 0;
    for (size_t i = end + 1; end != std::string::npos && i-- > 0;) {
        if (line[i] == ')')
            ++depth;
        else if (line[i] == '(' && --depth == 0)
            return line.substr(i + 1, end - i - 1);
    }
    return "";
}

}  // namespace

TEST_F(Walkhost, OpenGlThatIsASoftwareRasteriserDrawsOnlyWhenNamed)
{
    WriteFile(dir_ + L"room.obj", kRoomObj);
    WriteFile(dir_ + L"room.mtl", kRoomMtl);
    // Named, OpenGL draws whatever renderer it is.
    const Outcome named = RunScript("expect-empty 0\n", 120000, TestFolder() + L"host-plugins", L"--renderer gl");
    ASSERT_EQ(named.exitCode, 0u) << named.log;
    const std::string openGl = FirstLine(named.log);
    ASSERT_EQ(openGl.rfind("renderer: OpenGL ", 0), 0u) << named.log;
    const std::string renderer = GlRendererOf(openGl);
    ASSERT_FALSE(renderer.empty()) << openGl;
    std::string lower = renderer;
    for (char& c : lower)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    const bool rasteriser = lower.find("llvmpipe") != std::string::npos ||
                            lower.find("softpipe") != std::string::npos || lower.find("swrast") != std::string::npos;

    // Left to walkhost: its own renderer over a software rasteriser, said in
    // the log, the caption as it always was, before and after a model is
    // opened; a GPU's OpenGL as named.
    const std::string why = "OpenGL is " + renderer + ": a software rasteriser";
    const Outcome chosen = RunScript("wait-window \"walkhost - \xE6\xBC\x94\xE7\xA4\xBA\xE5\x85\xAC\xE5\xAF\x93\" 5000\n"  // 演示公寓
                                     "open \"$room.obj\"\n"
                                     "answer OK oak.jpg\n"
                                     "wait-window \"walkhost - room.obj\" 5000\n");
    EXPECT_EQ(chosen.exitCode, 0u) << chosen.log;
    EXPECT_EQ(FirstLine(chosen.log), rasteriser ? "renderer: software (" + why + ")" : openGl)
        << chosen.log;
}

namespace {

// The project's rooms as the build copies them beside walkhost.
std::string ModelFile(const char* name) { return Narrow(TestFolder()) + "..\\bin\\models\\" + name; }

}  // namespace

// The living room: its parquet texture is missing; its walls, sofa, shelf
// and desk share "Default" until split, from the File menu or at the load.
TEST_F(Walkhost, RealRoomReportsAMissingTextureAndSplitsSharedMaterials)
{
    const std::string room = ModelFile("living-room\\living-room.obj");
    const Outcome fromMenu = RunScript(
        "open \"" + room + "\"\n"
        "answer OK oak-parquet.jpg\n"
        "expect-material floor 0.55 0.40 0.25 oak-parquet.jpg\n"
        "main-menu \xE6\x96\x87\xE4\xBB\xB6\n"                                                     // 文件
        "menu \xE6\x8C\x89\xE7\x89\xA9\xE4\xBD\x93\xE6\x8B\x86\xE5\x88\x86\xE5\x85\xB1\xE7\x94\xA8\xE6\x9D\x90\xE8\xB4\xA8\n"  // 按物体拆分共用材质
        // walkhost - living-room.obj（已为 5 个物体拆分共用材质）, then the caption as before
        "wait-window \"walkhost - living-room.obj\xEF\xBC\x88\xE5\xB7\xB2\xE4\xB8\xBA 5 \xE4\xB8\xAA\xE7\x89\xA9\xE4\xBD\x93"
        "\xE6\x8B\x86\xE5\x88\x86\xE5\x85\xB1\xE7\x94\xA8\xE6\x9D\x90\xE8\xB4\xA8\xEF\xBC\x89\" 2000\n"
        "rclick wall.north\n"
        "menu \"Paint red\"\n"
        "expect-material wall.north 1 0 0\n"
        "expect-material sofa 0.8 0.8 0.8\n"
        "expect-material wall.east 0.8 0.8 0.8\n"
        "wait-window \"walkhost - living-room.obj\" 10000\n");
    ASSERT_TRUE(fromMenu.finished) << fromMenu.log;
    EXPECT_EQ(fromMenu.exitCode, 0u) << fromMenu.log;
    EXPECT_NE(fromMenu.log.find("  texture not drawn: oak-parquet.jpg (file not found)"), std::string::npos)
        << fromMenu.log;
    EXPECT_NE(fromMenu.log.find("split shared materials: 5"), std::string::npos) << fromMenu.log;

    // Asked for on the command line: split before the plug-ins hear of the model.
    const Outcome atLoad = RunScript("rclick sofa\nmenu \"Paint red\"\n"
                                     "expect-material sofa 1 0 0\nexpect-material shelf 0.8 0.8 0.8\n",
                                     120000, TestFolder() + L"host-plugins",
                                     L"--split-shared-materials \"" + TestFolder() + L"..\\bin\\models\\living-room\\living-room.obj\"");
    EXPECT_EQ(atLoad.exitCode, 0u) << atLoad.log;
    const size_t missing = atLoad.log.find("texture not drawn: oak-parquet.jpg (file not found)");
    EXPECT_NE(missing, std::string::npos) << atLoad.log;
    EXPECT_GT(atLoad.log.find("  split shared materials: 5"), missing) << atLoad.log;
}

// The atrium, 14 x 14 x 9 m: the walker starts inside at eye height, and
// Home and 视图 → 重置视图 both bring back the same view.
TEST_F(Walkhost, LargeModelStartsInsideAndHomeReturnsThere)
{
    const Outcome run = RunScript("open \"" + ModelFile("atrium\\atrium.obj") + "\"\n"
                                  "screenshot \"$start.bmp\"\n"
                                  "walk 3\nturn 50\nlook 10\n"
                                  "key \"walkhost - atrium.obj\" Home\n"
                                  "screenshot \"$home.bmp\"\n"
                                  "walk -2\nturn -30\n"
                                  "main-menu \xE8\xA7\x86\xE5\x9B\xBE\n"                           // 视图
                                  "menu \xE9\x87\x8D\xE7\xBD\xAE\xE8\xA7\x86\xE5\x9B\xBE\n"  // 重置视图
                                  "screenshot \"$reset.bmp\"\n",
                                  120000, TestFolder() + L"host-plugins", L"--renderer software");
    ASSERT_TRUE(run.finished) << run.log;
    EXPECT_EQ(run.exitCode, 0u) << run.log;
    const size_t at = run.log.find("start view: ");
    ASSERT_NE(at, std::string::npos) << run.log;
    double x = 99, y = 99, z = 99;
    ASSERT_EQ(std::sscanf(run.log.c_str() + at, "start view: %lf %lf %lf", &x, &y, &z), 3) << run.log;
    EXPECT_TRUE(x > -7 && x < 7 && z > -7 && z < 7) << x << " " << z;
    EXPECT_NEAR(y, 1.6, 0.01);  // eye height over the court's floor
    const std::string start = ReadFile(dir_ + L"start.bmp");
    EXPECT_GT(start.size(), 1000u);
    EXPECT_TRUE(start == ReadFile(dir_ + L"home.bmp") && start == ReadFile(dir_ + L"reset.bmp"));
}
