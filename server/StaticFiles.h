// StaticFiles: the page's files from one folder, each kept in memory once read,
// with a gzip copy for the kinds of file that compress.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

struct ServedFile {
    std::shared_ptr<const std::string> body;
    const char* contentType = "application/octet-stream";
    bool gzip = false;
};

class StaticFiles {
public:
    explicit StaticFiles(std::string root) : root_(std::move(root)) {}

    // The file for a request target ("/" is "/index.html"), compressed when
    // `acceptGzip` and worth it; null for a target that names no file in the
    // folder (a "..", a hidden name, a missing or too large file).
    std::shared_ptr<const ServedFile> find(std::string_view target, bool acceptGzip);

private:
    struct Cached {
        std::int64_t mtime = 0;
        std::int64_t size = 0;
        std::shared_ptr<const ServedFile> plain;
        std::shared_ptr<const ServedFile> gzipped;
    };
    std::string root_;
    std::map<std::string, Cached, std::less<>> cache_;
};

// Whether an Accept-Encoding header value accepts gzip (and does not refuse it with q=0).
bool acceptsGzip(std::string_view acceptEncoding);
