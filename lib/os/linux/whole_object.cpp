#include "os/linux/whole_object.h"

#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "os/linux/errno_error.h"

namespace NOs {
namespace {

// More program headers than any shared object has.
constexpr ElfW(Half) kMaxProgramHeaders = 256;

#if __ELF_NATIVE_CLASS == 64
constexpr unsigned char kNativeClass = ELFCLASS64;
#else
constexpr unsigned char kNativeClass = ELFCLASS32;
#endif

#if defined(__x86_64__)
constexpr ElfW(Half) kNativeMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr ElfW(Half) kNativeMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr ElfW(Half) kNativeMachine = EM_386;
#else
#error "the machine of this platform's shared objects is not known"
#endif

// The head of the file, where the ELF header and, in every shared object a
// linker makes, the program headers stand: one read for both.
constexpr size_t kHeadBytes = 1024;

bool ReadExactly(const NUniqueFd& file, void* buffer, size_t size, uint64_t offset) {
    return ::pread(file.Get(), buffer, size, static_cast<off_t>(offset)) ==
           static_cast<ssize_t>(size);
}

// A part of count entries of entrySize bytes from offset on lies in the file.
bool FitsIn(uint64_t fileSize, uint64_t offset, uint64_t count, uint64_t entrySize) {
    return offset <= fileSize && count <= (fileSize - offset) / (entrySize == 0 ? 1 : entrySize);
}

bool IsNativeSharedObject(const ElfW(Ehdr) & header) {
    return std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
           header.e_ident[EI_CLASS] == kNativeClass && header.e_type == ET_DYN &&
           header.e_machine == kNativeMachine && header.e_phentsize == sizeof(ElfW(Phdr)) &&
           header.e_phnum > 0 && header.e_phnum <= kMaxProgramHeaders;
}

// The program headers, from the head when they stand in it.
bool ReadSegments(const NUniqueFd& file, const ElfW(Ehdr) & header, const unsigned char* head,
                  size_t headSize, std::vector<ElfW(Phdr)>& segments) {
    segments.resize(header.e_phnum);
    const size_t bytes = segments.size() * sizeof(ElfW(Phdr));
    if (header.e_phoff <= headSize && bytes <= headSize - header.e_phoff) {
        std::memcpy(segments.data(), head + header.e_phoff, bytes);
        return true;
    }
    return ReadExactly(file, segments.data(), bytes, header.e_phoff);
}

bool SegmentsFit(const std::vector<ElfW(Phdr)>& segments, uint64_t fileSize) {
    for (const ElfW(Phdr) & segment : segments) {
        if (segment.p_type == PT_LOAD && !FitsIn(fileSize, segment.p_offset, segment.p_filesz, 1)) {
            return false;
        }
    }
    return true;
}

}  // namespace

NStatus CheckWholeSharedObject(const NUniqueFd& file, uint64_t fileSize) {
    unsigned char head[kHeadBytes];
    const ssize_t headSize = ::pread(file.Get(), head, sizeof(head), 0);
    if (headSize < 0) {
        return LastError();
    }
    ElfW(Ehdr) header{};
    if (static_cast<size_t>(headSize) < sizeof(header)) {
        return NObjectError::NotWhole;
    }
    std::memcpy(&header, head, sizeof(header));
    std::vector<ElfW(Phdr)> segments;
    if (!IsNativeSharedObject(header) ||
        !FitsIn(fileSize, header.e_phoff, header.e_phnum, sizeof(ElfW(Phdr))) ||
        !ReadSegments(file, header, head, static_cast<size_t>(headSize), segments) ||
        !SegmentsFit(segments, fileSize) ||
        !FitsIn(fileSize, header.e_shoff, header.e_shnum, header.e_shentsize)) {
        return NObjectError::NotWhole;
    }
    return Ok();
}

}  // namespace NOs
