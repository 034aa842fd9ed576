// The module doubles built for the tests (test<kind>module.so), and copies of them in a test's program
// folder.
#pragma once

#include "device/DataTypesTarn.h"
#include "modules/ModuleManagerTarn.h"

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

// The index of the host's module of that short name, -1 when there is none.
inline int32_t ModuleIndex(const TModuleManagerTarn &host, const std::string &shortName) {
    for (int32_t i = 0; i < host.ModuleCount(); ++i)
        if (host.Module(i).ShortName == shortName)
            return i;
    return -1;
}

// Four channels of 1024 samples, each a square wave between 28 and 228 with a period of 100 samples,
// handed to the host as its channel buffers.
inline void HandSquareWaves(IModuleHost &host, TAcquiredData &waves) {
    waves.resize(4);
    for (size_t i = 0; i < waves.size(); ++i) {
        waves[i].Data.resize(1024);
        for (size_t j = 0; j < 1024; ++j)
            waves[i].Data[j] = uint8_t((j / 50) % 2 ? 228 : 28);
        waves[i].First = 0;
        waves[i].Last = 1023;
        host.SetChannelBuffer(int32_t(i), &waves[i]);
    }
}

} // namespace scope
