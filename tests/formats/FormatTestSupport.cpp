#include "FormatTestSupport.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace sv::test {

Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void AppendFourCc(Bytes& b, const char* id) { b.insert(b.end(), id, id + 4); }
void AppendLe16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void AppendLe32(Bytes& b, std::uint32_t v) {
    AppendLe16(b, v & 0xFFFF);
    AppendLe16(b, v >> 16);
}
void AppendChunk(Bytes& b, const char* id, const Bytes& body) {
    AppendFourCc(b, id);
    AppendLe32(b, static_cast<std::uint32_t>(body.size()));
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
}
std::uint32_t Le32At(const Bytes& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

Bytes FmtBody(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, bool withCbSize,
              std::uint16_t blockAlign) {
    Bytes b;
    if (blockAlign == 0) blockAlign = static_cast<std::uint16_t>((bits + 7) / 8 * channels);
    AppendLe16(b, tag);
    AppendLe16(b, channels);
    AppendLe32(b, rate);
    AppendLe32(b, rate * blockAlign);
    AppendLe16(b, blockAlign);
    AppendLe16(b, bits);
    if (withCbSize) AppendLe16(b, 0);
    return b;
}

Bytes RiffWave(const Bytes& chunks) {
    Bytes b;
    AppendFourCc(b, "RIFF");
    AppendLe32(b, static_cast<std::uint32_t>(chunks.size() + 4));
    AppendFourCc(b, "WAVE");
    b.insert(b.end(), chunks.begin(), chunks.end());
    return b;
}

std::vector<std::int32_t> ReadAll(LAudioReader& reader) {
    std::vector<std::int32_t> out;
    std::int32_t left = reader.Length() - reader.Position();
    std::vector<std::int32_t> buf(static_cast<std::size_t>(kMaxFramesPerCall) * reader.channels);
    while (left > 0) {
        std::int32_t n = std::min(left, kMaxFramesPerCall);
        reader.Read(buf.data(), n);
        out.insert(out.end(), buf.begin(), buf.begin() + static_cast<std::ptrdiff_t>(n) * reader.channels);
        left -= n;
    }
    return out;
}

bool ToolExists(const std::string& name) { return RunCommand("command -v " + name + " >/dev/null 2>&1") == 0; }

int RunCommand(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string CommandOutput(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    std::size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

std::vector<std::int32_t> ReadRawS32(const std::string& path) {
    Bytes b = ReadBytes(path);
    std::vector<std::int32_t> s(b.size() / 4);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<std::int32_t>(Le32At(b, 4 * i));
    return s;
}

std::string Sh(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

}  // namespace sv::test
