#include "tags/taglib_stream.h"

#include <algorithm>
#include <cstring>

#include <taglib/tdebuglistener.h>

namespace vorne {

ByteSource MemorySource(std::span<const std::uint8_t> bytes) {
    return {[bytes](std::int64_t offset, std::span<std::uint8_t> out) -> std::size_t {
                if (offset < 0 || offset >= static_cast<std::int64_t>(bytes.size())) return 0;
                const std::size_t n = std::min(out.size(), bytes.size() - static_cast<std::size_t>(offset));
                std::memcpy(out.data(), bytes.data() + offset, n);
                return n;
            },
            static_cast<std::int64_t>(bytes.size())};
}

TagLib::ByteVector SourceStream::readBlock(unsigned long length) {
    const long available = std::max(0L, static_cast<long>(source.length) - position);
    const auto want = static_cast<unsigned int>(std::min<unsigned long>(length, static_cast<unsigned long>(available)));
    TagLib::ByteVector block(want, 0);
    if (want == 0) return block;
    const std::size_t got =
        source.read(position, std::span(reinterpret_cast<std::uint8_t*>(block.data()), block.size()));
    block.resize(static_cast<unsigned int>(got));
    position += static_cast<long>(got);
    return block;
}

void SourceStream::seek(long offset, Position p) {
    switch (p) {
        case Beginning: position = offset; break;
        case Current: position += offset; break;
        case End: position = static_cast<long>(source.length) + offset; break;
    }
    position = std::clamp(position, 0L, static_cast<long>(source.length));
}

namespace {

class QuietListener final : public TagLib::DebugListener {
public:
    void printMessage(const TagLib::String&) override {}
};

}  // namespace

void SilenceTagLib() {
    static QuietListener quiet;
    static const bool once = [] {
        TagLib::setDebugListener(&quiet);
        return true;
    }();
    (void)once;
}

}  // namespace vorne
