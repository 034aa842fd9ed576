// Build tool: writes the scrambled configuration images as a C++ source file.
#include "ConfigImageContent.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.cpp>\n", argv[0]);
        return 2;
    }
    std::FILE *out = std::fopen(argv[1], "w");
    if (!out)
        return 1;
    std::fprintf(out, "// Generated at build time. Scrambled configuration images.\n#include <cstddef>\n"
                      "#include <cstdint>\nnamespace pellex {\n");
    for (int image = 0; image < pellex::ConfigImageCount; ++image) {
        const size_t size = pellex::ConfigImageSize(image);
        std::fprintf(out, "extern const uint8_t ScrambledImage%d[%zu] = {", image, size);
        for (size_t j = 0; j < size; ++j)
            std::fprintf(out, "%s%u,", j % 32 == 0 ? "\n" : "",
                         static_cast<unsigned>(pellex::ConfigImageByte(image, j) ^ pellex::ConfigImageKey));
        std::fprintf(out, "};\n");
    }
    std::fprintf(out, "} // namespace pellex\n");
    return std::fclose(out) == 0 ? 0 : 1;
}
