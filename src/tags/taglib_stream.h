// The bridge to TagLib: a read-only TagLib stream over a ByteSource, and the smallest TagLib file
// object the tag classes need to be read from one.
#pragma once

#include <taglib/tfile.h>
#include <taglib/tiostream.h>

#include "tags/byte_source.h"

namespace vorne {

class SourceStream final : public TagLib::IOStream {
public:
    explicit SourceStream(const ByteSource& source) : source(source) {}

    TagLib::FileName name() const override { return "(tag)"; }
    TagLib::ByteVector readBlock(unsigned long length) override;
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p = Beginning) override;
    long tell() const override { return position; }
    long length() override { return static_cast<long>(source.length); }
    void truncate(long) override {}

private:
    const ByteSource& source;
    long position = 0;
};

// A TagLib file that is only a stream to read tags from: no audio, no tag of its own, no saving.
class SourceFile final : public TagLib::File {
public:
    explicit SourceFile(SourceStream* stream) : TagLib::File(stream) {}
    TagLib::Tag* tag() const override { return nullptr; }
    TagLib::AudioProperties* audioProperties() const override { return nullptr; }
    bool save() override { return false; }
};

// TagLib tells what it finds odd in a tag on stderr; a scan of damaged files must not.
void SilenceTagLib();

}  // namespace vorne
