// StaticFiles: reading, caching and compressing the page's files.
#include "server/StaticFiles.h"

#include <sys/stat.h>
#include <zlib.h>

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

constexpr std::int64_t kMaxFileBytes = 64 << 20;

struct Kind {
    const char* extension;
    const char* type;
    bool compress;
};
constexpr Kind kKinds[] = {
    {".html", "text/html; charset=utf-8", true},   {".js", "text/javascript; charset=utf-8", true},
    {".css", "text/css; charset=utf-8", true},     {".wasm", "application/wasm", true},
    {".json", "application/json", true},           {".webmanifest", "application/manifest+json", true},
    {".bmp", "image/bmp", true},                   {".ico", "image/x-icon", true},
    {".svg", "image/svg+xml", true},               {".txt", "text/plain; charset=utf-8", true},
    {".png", "image/png", false},
};

const Kind* kindOf(std::string_view path) {
    for (const Kind& kind : kKinds) {
        const std::string_view ext = kind.extension;
        if (path.size() > ext.size() && path.substr(path.size() - ext.size()) == ext) return &kind;
    }
    return nullptr;
}

// A relative path of plain names: letters, digits, '-', '_', '.', no name
// starting with '.', separated by single slashes.
bool safePath(std::string_view path) {
    if (path.empty() || path.size() > 200) return false;
    bool nameStart = true;
    for (char c : path) {
        if (c == '/') {
            if (nameStart) return false;
            nameStart = true;
            continue;
        }
        if (nameStart && c == '.') return false;
        nameStart = false;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.') return false;
    }
    return !nameStart;
}

std::shared_ptr<const std::string> gzip(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return nullptr;
    std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 32, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) return nullptr;
    return std::make_shared<const std::string>(std::move(out));
}

}  // namespace

bool acceptsGzip(std::string_view header) {
    std::size_t start = 0;
    while (start <= header.size()) {
        std::size_t end = header.find(',', start);
        if (end == std::string_view::npos) end = header.size();
        std::string_view item = header.substr(start, end - start);
        const std::size_t semi = item.find(';');
        std::string_view coding = item.substr(0, semi);
        while (!coding.empty() && coding.front() == ' ') coding.remove_prefix(1);
        while (!coding.empty() && coding.back() == ' ') coding.remove_suffix(1);
        if (coding == "gzip" || coding == "*") {
            const std::string_view params = semi == std::string_view::npos ? "" : item.substr(semi);
            const std::size_t q = params.find("q=");
            if (q == std::string_view::npos) return true;
            const std::string_view value = params.substr(q + 2);
            return !(value.substr(0, 1) == "0" && value.find_first_of("123456789") == std::string_view::npos);
        }
        start = end + 1;
    }
    return false;
}

std::shared_ptr<const ServedFile> StaticFiles::find(std::string_view target, bool acceptGzip) {
    std::string_view path = target.substr(0, target.find_first_of("?#"));
    if (path == "/") path = "/index.html";
    if (path.empty() || path.front() != '/') return nullptr;
    path.remove_prefix(1);
    if (!safePath(path)) return nullptr;
    const Kind* kind = kindOf(path);

    const std::string full = root_ + "/" + std::string(path);
    struct stat info {};
    if (stat(full.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxFileBytes) return nullptr;

    Cached& cached = cache_[std::string(path)];
    if (!cached.plain || cached.mtime != info.st_mtime || cached.size != info.st_size) {
        std::ifstream in(full, std::ios::binary);
        if (!in) return nullptr;
        std::ostringstream content;
        content << in.rdbuf();
        auto file = std::make_shared<ServedFile>();
        file->body = std::make_shared<const std::string>(content.str());
        if (kind) file->contentType = kind->type;
        cached = Cached{info.st_mtime, info.st_size, file, nullptr};
    }
    if (!acceptGzip || !kind || !kind->compress || cached.plain->body->size() < 256) return cached.plain;
    if (!cached.gzipped) {
        auto file = std::make_shared<ServedFile>(*cached.plain);
        file->body = gzip(*cached.plain->body);
        file->gzip = true;
        // A file that does not get smaller is served as it is.
        const bool smaller = file->body && file->body->size() < cached.plain->body->size();
        cached.gzipped = smaller ? std::shared_ptr<const ServedFile>(file) : cached.plain;
    }
    return cached.gzipped;
}
