// The cross-built pirrel.p and zirka.exe as the Windows loader sees them:
// the export and import tables read back with MinGW's objdump, the
// sections of our object files, and the flags every file was compiled with.
#include "windows_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

namespace {

const std::string win_dir = PIRREL_WIN_DIR;
const std::string source_dir = PIRREL_SOURCE_DIR;
const std::string pirrel_p = win_dir + "/bin/plugins/pirrel.p";
const std::string zirka_exe = win_dir + "/bin/zirka.exe";

TEST(PeTables, ParsedFromObjdumpsText)
{
    // The lines that count, as objdump -p prints them, among some that do not.
    const std::string text = "build/pirrel.p:     file format pei-i386\n"
                             "\n"
                             "Characteristics 0x2106\n"
                             "\texecutable\n"
                             "\tDLL\n"
                             "\n"
                             "\tDLL Name: zirka.exe\n"
                             "\tvma:  Hint/Ord Member-Name Bound-To\n"
                             "\t1c2f0\t    0  list_add_item\n"
                             "\t1c300\t   12  new_vertex_set\n"
                             "\n"
                             "\tDLL Name: KERNEL32.dll\n"
                             "\tvma:  Hint/Ord Member-Name Bound-To\n"
                             "\t1c400\t  281  ExitProcess\n"
                             "\n"
                             "Name \t\t\t\t0001b050 pirrel.p\n"
                             "\t[   0] +base[   1] 15e0 Export RVA\n"
                             "[Ordinal/Name Pointer] Table\n"
                             "\t[   0] ZIRKAPluginAbout\n"
                             "\t[   1] ZIRKAPluginExit\n";
    PeTables t = parse_pe_tables(text);
    EXPECT_EQ(t.format, "pei-i386");
    EXPECT_TRUE(t.dll);
    EXPECT_EQ(t.export_name, "pirrel.p");
    EXPECT_EQ(t.exports, (std::vector<std::string>{"ZIRKAPluginAbout", "ZIRKAPluginExit"}));
    EXPECT_EQ(t.imports.at("zirka.exe"), (std::vector<std::string>{"list_add_item", "new_vertex_set"}));
    EXPECT_EQ(t.imports.at("KERNEL32.dll"), (std::vector<std::string>{"ExitProcess"}));
}

PeTables read_tables(const std::string &file)
{
    int status = 0;
    std::string text = command_output(std::string(PIRREL_MINGW_OBJDUMP) + " -p '" + file + "'", &status);
    EXPECT_EQ(status, 0) << "objdump -p " << file;
    return parse_pe_tables(text);
}

std::vector<std::string> host_operations()
{
    return header_host_operations(read_file(source_dir + "/host/zirka_host.h"));
}

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

// DLLs that are part of Windows itself.
bool is_system_dll(const std::string &name)
{
    static const std::set<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll",
                                                 "ntdll.dll",    "ucrtbase.dll", "ws2_32.dll", "shell32.dll"};
    std::string n = lower(name);
    return system.count(n) || n.rfind("api-ms-win-", 0) == 0;
}

bool is_mingw_runtime_dll(const std::string &name)
{
    std::string n = lower(name);
    return n.rfind("libgcc_s", 0) == 0 || n.rfind("libstdc++", 0) == 0 || n.rfind("libwinpthread", 0) == 0;
}

// Our object files in the plug-in: the kernel, the command and the entry points.
const std::vector<std::string> plugin_objects = {
    win_dir + "/geom/libkvx_geom.a",
    win_dir + "/extrude/libkvx_extrude.a",
    win_dir + "/plugin/CMakeFiles/pirrel.dir/pirrel.cpp.obj",
};

} // namespace

TEST(PirrelDll, IsA32BitWindowsDll)
{
    PeTables t = read_tables(pirrel_p);
    EXPECT_EQ(t.format, "pei-i386");
    EXPECT_TRUE(t.dll);
}

TEST(PirrelDll, ExportsExactlyTheFourEntryPointsUndecorated)
{
    PeTables t = read_tables(pirrel_p);
    std::vector<std::string> exports = t.exports;
    std::sort(exports.begin(), exports.end());
    EXPECT_EQ(exports, (std::vector<std::string>{"ZIRKAPluginAbout", "ZIRKAPluginExit", "ZIRKAPluginInfo",
                                                 "ZIRKAPluginInit"}));
}

TEST(PirrelDll, ExportDirectoryNamesTheLibraryPirrelP)
{
    EXPECT_EQ(read_tables(pirrel_p).export_name, "pirrel.p");
}

TEST(PirrelDll, ImportsHostOperationsOnlyByNameFromZirkaExe)
{
    PeTables t = read_tables(pirrel_p);
    ASSERT_TRUE(t.imports.count("zirka.exe")) << "no imports from zirka.exe";
    const std::vector<std::string> host = host_operations();
    ASSERT_EQ(host.size(), 25u);
    for (const std::string &name : t.imports.at("zirka.exe"))
        EXPECT_NE(std::find(host.begin(), host.end(), name), host.end()) << name << " is no host operation";
    for (const auto &[dll, names] : t.imports) {
        if (dll == "zirka.exe")
            continue;
        for (const std::string &name : names) {
            EXPECT_EQ(std::find(host.begin(), host.end(), name), host.end())
                << "host operation " << name << " imported from " << dll;
        }
    }
}

// Every host operation that our code calls (an undefined __imp__NAME in its
// object files) must be resolved from zirka.exe.
TEST(PirrelDll, ImportsEveryHostOperationItCallsFromZirkaExe)
{
    PeTables t = read_tables(pirrel_p);
    const std::vector<std::string> &imported = t.imports["zirka.exe"];
    const std::vector<std::string> host = host_operations();
    std::set<std::string> called;
    for (const std::string &object : plugin_objects) {
        int status = 0;
        std::string text = command_output(std::string(PIRREL_MINGW_NM) + " -u '" + object + "'", &status);
        ASSERT_EQ(status, 0) << "nm -u " << object;
        for (const std::string &line : split_lines(text)) {
            std::smatch m;
            if (std::regex_search(line, m, std::regex(R"(U __imp__(\w+)$)")) &&
                std::find(host.begin(), host.end(), m[1].str()) != host.end())
                called.insert(m[1]);
        }
    }
    // At least the registration and the world operations are called.
    EXPECT_TRUE(called.count("zirka_add_command_full"));
    EXPECT_TRUE(called.count("add_undoable_world_add_object"));
    for (const std::string &name : called) {
        EXPECT_NE(std::find(imported.begin(), imported.end(), name), imported.end())
            << name << " is called but not imported from zirka.exe";
    }
}

TEST(PirrelDll, NeedsNothingButZirkaExeAndSystemDlls)
{
    PeTables t = read_tables(pirrel_p);
    ASSERT_FALSE(t.imports.empty());
    for (const auto &entry : t.imports) {
        const std::string &dll = entry.first;
        EXPECT_FALSE(is_mingw_runtime_dll(dll)) << "needs MinGW's " << dll;
        EXPECT_TRUE(dll == "zirka.exe" || is_system_dll(dll)) << "needs " << dll;
    }
}

// zirka.exe's exports are what a plug-in can import: the host operations,
// and nothing else of the core or the C++ runtime linked into it.
TEST(ZirkaExe, IsA32BitProgramExportingExactlyTheHostOperations)
{
    PeTables t = read_tables(zirka_exe);
    EXPECT_EQ(t.format, "pei-i386");
    EXPECT_FALSE(t.dll);
    std::vector<std::string> host = host_operations();
    ASSERT_EQ(host.size(), 25u);
    std::sort(host.begin(), host.end());
    std::vector<std::string> exports = t.exports;
    std::sort(exports.begin(), exports.end());
    EXPECT_EQ(exports, host);
    for (const auto &entry : t.imports)
        EXPECT_TRUE(is_system_dll(entry.first)) << "zirka.exe needs " << entry.first;
}

// Loading the DLL runs nothing of ours: our objects carry no constructor
// tables (.ctors, .init_array, or the MSVC-style .CRT$XC*).
TEST(PirrelDll, OurObjectsHaveNoStaticConstructors)
{
    const std::regex section_line(R"(^\s*\d+\s+(\S+)\s+[0-9a-f]{8}\s)");
    for (const std::string &object : plugin_objects) {
        int status = 0;
        std::string text = command_output(std::string(PIRREL_MINGW_OBJDUMP) + " -h '" + object + "'", &status);
        ASSERT_EQ(status, 0) << "objdump -h " << object;
        int text_sections = 0;
        for (const std::string &line : split_lines(text)) {
            std::smatch m;
            if (!std::regex_search(line, m, section_line))
                continue;
            const std::string name = m[1];
            text_sections += name.rfind(".text", 0) == 0;
            EXPECT_TRUE(name.rfind(".ctors", 0) != 0 && name.rfind(".init_array", 0) != 0 &&
                        name.rfind(".CRT$XC", 0) != 0)
                << object << " has a constructor section " << name;
        }
        EXPECT_GT(text_sections, 0) << "no sections read from " << object;
    }
}

// The geometry is bit-identical to the Linux build only if every file is
// compiled for SSE2 arithmetic without contraction, and the formatted
// input and output are MinGW's C99 ones; and no sanitizer reached the
// cross build.
TEST(CrossBuild, EveryFileIsCompiledWithSse2AndC99Stdio)
{
    bool ok = false;
    std::string json = read_file(win_dir + "/compile_commands.json", &ok);
    ASSERT_TRUE(ok) << "no compile_commands.json in " << win_dir;
    const std::regex command_entry(R"re("command":\s*"((?:[^"\\]|\\.)*)")re");
    int commands = 0;
    std::set<std::string> files;
    for (std::sregex_iterator it(json.begin(), json.end(), command_entry), end; it != end; ++it) {
        const std::string command = (*it)[1];
        commands++;
        for (const char *flag : {" -msse2", " -mfpmath=sse", " -ffp-contract=off", " -D__USE_MINGW_ANSI_STDIO=1"})
            EXPECT_NE(command.find(flag), std::string::npos) << "missing" << flag << " in " << command;
        EXPECT_EQ(command.find("-fsanitize"), std::string::npos) << command;
        std::smatch m;
        if (std::regex_search(command, m, std::regex(R"(([A-Za-z0-9_]+\.cpp)\s*$)")))
            files.insert(m[1]);
    }
    for (const char *file : {"pirrel.cpp", "vec3.cpp", "mitre_solve.cpp", "sweep.cpp", "loader.cpp", "cases.cpp"})
        EXPECT_TRUE(files.count(file)) << file << " is not among the " << commands << " compile commands";
}
