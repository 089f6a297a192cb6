// Writing zip archives for the samples and the tests: stored and deflated members, data
// descriptors, folders, comments.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vorne::samples {

struct ZipMemberSpec {
    std::string name;
    std::vector<std::uint8_t> data;
    bool deflate = false;
    bool dataDescriptor = false;  // sizes and CRC after the data, zeros in the local header
    bool descriptorSignature = true;
    std::uint16_t flags = 0;      // further flag bits (1 marks an encrypted member)
    std::uint16_t methodOverride = 0xFFFF;  // write this method number instead of the real one
    std::string comment;
};

class ZipWriter {
public:
    void Add(ZipMemberSpec member);
    void AddFolder(const std::string& name);  // a folder entry, "name/"
    // The whole archive, with `comment` after the end record.
    std::vector<std::uint8_t> Finish(const std::string& comment = "") const;

private:
    std::vector<ZipMemberSpec> members;
};

}  // namespace vorne::samples
