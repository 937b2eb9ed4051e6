#include "engine/journal.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kMagic = 0x314A4656;  // "VFJ1"

class Writer {
public:
    void U8(std::uint8_t v) { bytes.push_back(v); }
    void U32(std::uint32_t v) {
        for (int n = 0; n < 4; ++n) U8(static_cast<std::uint8_t>(v >> (8 * n)));
    }
    void U64(std::uint64_t v) {
        U32(static_cast<std::uint32_t>(v));
        U32(static_cast<std::uint32_t>(v >> 32));
    }
    void Text(const PathString& text) {
        U32(static_cast<std::uint32_t>(text.size()));
        for (PathChar c : text) U32(static_cast<std::uint32_t>(c));
    }
    std::vector<std::uint8_t> bytes;
};

class Reader {
public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool U8(std::uint8_t& v) {
        if (at_ >= bytes_.size()) return false;
        v = bytes_[at_++];
        return true;
    }
    bool U32(std::uint32_t& v) {
        v = 0;
        for (int n = 0; n < 4; ++n) {
            std::uint8_t b;
            if (!U8(b)) return false;
            v |= static_cast<std::uint32_t>(b) << (8 * n);
        }
        return true;
    }
    bool U64(std::uint64_t& v) {
        std::uint32_t low, high;
        if (!U32(low) || !U32(high)) return false;
        v = (static_cast<std::uint64_t>(high) << 32) | low;
        return true;
    }
    bool Text(PathString& text) {
        std::uint32_t length;
        if (!U32(length) || length > (bytes_.size() - at_) / 4) return false;
        text.resize(length);
        for (PathChar& c : text) {
            std::uint32_t v;
            if (!U32(v)) return false;
            c = static_cast<PathChar>(v);
        }
        return true;
    }
    std::size_t at() const { return at_; }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

}  // namespace

std::uint32_t SectorHash(const std::uint8_t* data, std::size_t length) {
    // Four lanes of multiply and rotate over 8-byte words: quick enough that
    // hashing every byte once costs little beside RC4 itself.
    constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ULL;
    std::uint64_t lanes[4] = {1, 2, 3, 4};
    std::size_t n = 0;
    for (; n + 32 <= length; n += 32) {
        for (int lane = 0; lane < 4; ++lane) {
            std::uint64_t word;
            std::memcpy(&word, data + n + 8 * lane, 8);
            lanes[lane] = ((lanes[lane] ^ word) * kMul);
            lanes[lane] ^= lanes[lane] >> 29;
        }
    }
    std::uint64_t h = length;
    for (; n < length; ++n) h = (h ^ data[n]) * kMul;
    for (std::uint64_t lane : lanes) h = ((h ^ lane) * kMul) ^ (h >> 31);
    return static_cast<std::uint32_t>(h ^ (h >> 32));
}

std::vector<std::uint32_t> SectorHashes(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint32_t> hashes;
    hashes.reserve((bytes.size() + kJournalSector - 1) / kJournalSector);
    for (std::size_t at = 0; at < bytes.size(); at += kJournalSector)
        hashes.push_back(SectorHash(bytes.data() + at, std::min(kJournalSector, bytes.size() - at)));
    return hashes;
}

namespace {

constexpr std::uint32_t kSetMagic = 0x324A4656;  // "VFJ2": the records of every file in hand

void WriteBody(Writer& out, const JournalRecord& record) {
    out.Text(record.path);
    out.Text(record.newName);
    out.U64(record.size);
    out.U64(record.lastWrite.ticks);
    out.U8(record.encrypt ? 1 : 0);
    out.U8(record.restoring ? 1 : 0);
    for (std::uint32_t word : record.fingerprint.h) out.U32(word);
    out.U64(record.regionEnd);
    out.U64(record.reached);
    out.U64(record.stretchEnd);
    out.U32(static_cast<std::uint32_t>(record.stretchHashes.size()));
    for (std::uint32_t hash : record.stretchHashes) out.U32(hash);
}

bool ReadBody(Reader& in, std::size_t size, JournalRecord& record) {
    std::uint32_t hashes = 0;
    std::uint8_t encrypt = 0, restoring = 0;
    bool ok = in.Text(record.path) && in.Text(record.newName) && in.U64(record.size) &&
              in.U64(record.lastWrite.ticks) && in.U8(encrypt) && in.U8(restoring);
    for (std::uint32_t& word : record.fingerprint.h) ok = ok && in.U32(word);
    ok = ok && in.U64(record.regionEnd) && in.U64(record.reached) && in.U64(record.stretchEnd) && in.U32(hashes) &&
         hashes <= (size - in.at()) / 4;
    if (!ok) return false;
    record.encrypt = encrypt != 0;
    record.restoring = restoring != 0;
    record.stretchHashes.resize(hashes);
    for (std::uint32_t& hash : record.stretchHashes) ok = ok && in.U32(hash);
    return ok;
}

void Seal(Writer& out) { out.U32(SectorHash(out.bytes.data(), out.bytes.size())); }

bool Sealed(const std::vector<std::uint8_t>& bytes) {
    if (bytes.size() < 8) return false;
    std::uint32_t stored = 0;
    for (int n = 0; n < 4; ++n) stored |= static_cast<std::uint32_t>(bytes[bytes.size() - 4 + n]) << (8 * n);
    return SectorHash(bytes.data(), bytes.size() - 4) == stored;
}

}  // namespace

std::vector<std::uint8_t> EncodeRecord(const JournalRecord& record) {
    Writer out;
    out.U32(kMagic);
    out.U64(record.sequence);
    WriteBody(out, record);
    Seal(out);
    return out.bytes;
}

bool DecodeRecord(const std::vector<std::uint8_t>& bytes, JournalRecord& record) {
    if (!Sealed(bytes)) return false;
    Reader in(bytes);
    std::uint32_t magic = 0;
    return in.U32(magic) && magic == kMagic && in.U64(record.sequence) && ReadBody(in, bytes.size(), record) &&
           in.at() == bytes.size() - 4;
}

std::vector<std::uint8_t> EncodeRecords(std::span<const JournalRecord> records, std::uint64_t sequence) {
    Writer out;
    out.U32(kSetMagic);
    out.U64(sequence);
    out.U32(static_cast<std::uint32_t>(records.size()));
    for (const JournalRecord& record : records) WriteBody(out, record);
    Seal(out);
    return out.bytes;
}

bool DecodeRecords(const std::vector<std::uint8_t>& bytes, std::vector<JournalRecord>& records,
                   std::uint64_t& sequence) {
    records.clear();
    // A single record, as runs before sets wrote them; one with no path
    // said "nothing in hand".
    JournalRecord single;
    if (DecodeRecord(bytes, single)) {
        sequence = single.sequence;
        if (!single.path.empty()) records.push_back(std::move(single));
        return true;
    }
    if (!Sealed(bytes)) return false;
    Reader in(bytes);
    std::uint32_t magic = 0, count = 0;
    if (!in.U32(magic) || magic != kSetMagic || !in.U64(sequence) || !in.U32(count)) return false;
    for (std::uint32_t n = 0; n < count; ++n) {
        JournalRecord record;
        if (!ReadBody(in, bytes.size(), record)) return false;
        record.sequence = sequence;
        records.push_back(std::move(record));
    }
    return in.at() == bytes.size() - 4;
}

bool NewestRecords(const std::vector<std::uint8_t> (&copies)[2], std::vector<JournalRecord>& newest) {
    bool found = false;
    std::uint64_t newestSequence = 0;
    for (const std::vector<std::uint8_t>& one : copies) {
        std::vector<JournalRecord> records;
        std::uint64_t sequence = 0;
        if (!DecodeRecords(one, records, sequence) || (found && sequence <= newestSequence)) continue;
        newest = std::move(records);
        newestSequence = sequence;
        found = true;
    }
    return found;
}

bool DropRecord(std::vector<JournalRecord>& records, const PathString& path) {
    auto found = std::find_if(records.begin(), records.end(), [&](const JournalRecord& r) { return r.path == path; });
    if (found == records.end()) return false;
    records.erase(found);
    return true;
}
