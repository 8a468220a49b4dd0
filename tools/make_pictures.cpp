// make_pictures <outdir>: writes the four level backdrops and the program icon
// there, and the page's app icons of 192 and 512 pixels as PAM files (RGBA),
// which web/pack_pictures.py turns into the PNG files the page's manifest names.
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

// A Netpbm PAM file of the image's RGBA pixels, top row first.
std::vector<std::uint8_t> encodePam(const pictures::Image& image) {
    const std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " +
                               std::to_string(image.height) + "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    std::vector<std::uint8_t> out(header.begin(), header.end());
    for (const pictures::Rgba& p : image.pixels) out.insert(out.end(), {p.r, p.g, p.b, p.a});
    return out;
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
    for (int size : {192, 512}) {
        const std::string path = dir + "/vantor-" + std::to_string(size) + ".pam";
        if (!writeFile(path, encodePam(pictures::renderIcon(size)))) {
            std::fprintf(stderr, "make_pictures: cannot write %s\n", path.c_str());
            ok = false;
        }
    }
    return ok ? 0 : 1;
}
