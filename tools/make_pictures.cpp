// make_pictures <outdir>: writes the four level backdrops and the program icon there.
#include <cstdio>
#include <string>
#include <vector>

#include "tools/Pictures.h"

namespace {

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_pictures <outdir>\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;
    for (int level = 1; level <= pictures::kLevelCount; ++level) {
        const std::string path = dir + "/" + pictures::backdropFileName(level);
        if (!writeFile(path, pictures::makeBackdropBmp(level))) {
            std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
            ok = false;
        }
    }
    const std::string icon = dir + "/vantor.ico";
    if (!writeFile(icon, pictures::makeIcon())) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", icon.c_str());
        ok = false;
    }
    return ok ? 0 : 1;
}
