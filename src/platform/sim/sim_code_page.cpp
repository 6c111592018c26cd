// The simulated machine's ANSI code page: the conversions of its 8-bit texts, through iconv.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <new>
#include <utility>

#include "platform/sim/sim_world.h"
#include "platform/text.h"

namespace autorun::sim {

bool setCodePage(int32_t codePage) {
    iconv_t probe = iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str());
    if (probe == reinterpret_cast<iconv_t>(-1)) return false;
    // A code page of one byte a character converts every byte alone; a lead byte of a
    // multi-byte one is an incomplete sequence.
    bool singleByte = true;
    for (int b = 0x80; b <= 0xFF && singleByte; ++b) {
        char byte = static_cast<char>(b);
        char* in = &byte;
        size_t inLeft = 1;
        char buffer[8];
        char* at = buffer;
        size_t room = sizeof buffer;
        iconv(probe, nullptr, nullptr, nullptr, nullptr);
        if (iconv(probe, &in, &inLeft, &at, &room) == static_cast<size_t>(-1) && errno == EINVAL)
            singleByte = false;
    }
    iconv_close(probe);
    if (singleByte) world().codePage = codePage;
    return singleByte;
}

namespace {

// A converter, opened once for each pair of encodings and kept: the menu converts every name
// it hands on, and opening one is far slower than using it.
struct Converters {
    std::map<std::pair<std::string, std::string>, iconv_t> opened;
    ~Converters() {
        for (auto& pair : opened)
            if (pair.second != reinterpret_cast<iconv_t>(-1)) iconv_close(pair.second);
    }
};

iconv_t converter(const std::string& to, const std::string& from) {
    static Converters converters;
    auto& opened = converters.opened;
    auto found = opened.find({to, from});
    if (found == opened.end())
        found =
            opened.emplace(std::make_pair(to, from), iconv_open(to.c_str(), from.c_str())).first;
    if (found->second != reinterpret_cast<iconv_t>(-1))
        iconv(found->second, nullptr, nullptr, nullptr, nullptr);
    return found->second;
}

std::string convertText(const std::string& text, const std::string& to, const std::string& from) {
    iconv_t convert = converter(to, from);
    std::string out;
    if (convert == reinterpret_cast<iconv_t>(-1)) return out;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char buffer[256];
        char* at = buffer;
        size_t room = sizeof buffer;
        size_t done = iconv(convert, &in, &inLeft, &at, &room);
        out.append(buffer, static_cast<size_t>(at - buffer));
        // What the other side cannot hold reads as "?", as Windows shows it.
        if (done == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';
            ++in;
            --inLeft;
            if (from == "UTF-8") {
                while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80) {
                    ++in;
                    --inLeft;
                }
            }
        }
    }
    return out;
}

std::string codePageName() {
    return "CP" + std::to_string(world().codePage);
}

}  // namespace

std::string fromCodePage(const std::string& bytes) {
    return convertText(bytes, "UTF-8", codePageName());
}

std::string toCodePage(const std::string& utf8) {
    return convertText(utf8, codePageName(), "UTF-8");
}

}  // namespace autorun::sim

namespace autorun::platform {

char* ansiToUtf8(const char* text, int32_t n) {
    std::string utf8 = sim::fromCodePage(std::string(text, static_cast<size_t>(n > 0 ? n : 0)));
    char* out = new (std::nothrow) char[utf8.size() + 1];
    if (out != nullptr) std::memcpy(out, utf8.c_str(), utf8.size() + 1);
    return out;
}

}  // namespace autorun::platform
