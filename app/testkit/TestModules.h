// The module doubles built for the tests (test<kind>module.so), and copies of them in a test's program
// folder.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

namespace scope {

// The folder of the module doubles.
inline std::string TestModulesFolder() {
    return std::string(TEST_OUTPUT_DIRECTORY) + "/testmodules";
}

// Copies the module double of a kind ("function" or "window") to <folder>/modules/<file>.so, replacing
// an earlier copy, with its configuration text beside it; returns the copy's path.
inline std::string AddTestModule(const std::string &folder, const std::string &file, const std::string &kind,
                                 const std::string &config) {
    std::filesystem::create_directories(folder + "/modules");
    const std::string path = folder + "/modules/" + file + ".so";
    std::filesystem::copy_file(TestModulesFolder() + "/test" + kind + "module.so", path,
                               std::filesystem::copy_options::overwrite_existing);
    std::ofstream(path + ".cfg") << config;
    return path;
}

} // namespace scope
