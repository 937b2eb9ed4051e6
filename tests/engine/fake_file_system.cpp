#include "fake_file_system.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

namespace vftest {

namespace {

// A long pass flushes on a thread of its own while it goes on writing.
std::mutex g_fileMutex;

}  // namespace

class FakeFileSystem::Handle final : public ExclusiveFile {
public:
    Handle(FakeFileSystem& owner, std::shared_ptr<Data> data) : owner_(owner), data_(std::move(data)) {
        data_->open = true;
    }
    ~Handle() override { data_->open = false; }

    FsStatus Size(std::uint64_t& size) override {
        std::lock_guard<std::mutex> lock(g_fileMutex);
        size = data_->bytes.size();
        return FsStatus::Ok;
    }
    FsStatus ReadAt(std::uint64_t offset, std::uint8_t* buffer, std::size_t wanted, std::size_t& got) override {
        std::lock_guard<std::mutex> lock(g_fileMutex);
        got = 0;
        ++owner_.readCalls_;
        bool failing = owner_.failReadsAfter_ ? owner_.failingRead_ && owner_.readCalls_ >= owner_.failingRead_
                                              : owner_.readCalls_ == owner_.failingRead_;
        if (failing) return FsStatus::Failed;
        if (offset >= data_->bytes.size()) return FsStatus::Ok;
        got = std::min<std::size_t>(wanted, data_->bytes.size() - offset);
        std::memcpy(buffer, data_->bytes.data() + offset, got);
        return FsStatus::Ok;
    }
    FsStatus WriteAt(std::uint64_t offset, const std::uint8_t* data, std::size_t length,
                     std::size_t& written) override {
        if (++owner_.writeCalls_ == owner_.crashingWrite_) throw Crash{};
        if (owner_.beforeWrite) owner_.beforeWrite(offset);
        std::lock_guard<std::mutex> lock(g_fileMutex);
        bool fails = owner_.writeCalls_ == owner_.failingWrite_;
        if (fails) length /= 2;
        if (offset + length > data_->bytes.size()) data_->bytes.resize(offset + length);
        std::memcpy(data_->bytes.data() + offset, data, length);
        written = length;
        if (fails) return FsStatus::Failed;
        data_->lastWrite += 1;  // the file system moves the time on; the engine must put it back
        return FsStatus::Ok;
    }
    FsStatus Flush() override {
        if (owner_.beforeFlush) owner_.beforeFlush();
        std::lock_guard<std::mutex> lock(g_fileMutex);
        if (owner_.failingFlushes_ == 0) {
            data_->durable = data_->bytes;
            return FsStatus::Ok;
        }
        --owner_.failingFlushes_;
        return FsStatus::Failed;
    }
    FsStatus Links(std::uint32_t& links, FileIdentity& identity) override {
        links = owner_.Links(*data_);
        identity = {7, data_->file};
        return FsStatus::Ok;
    }
    FsStatus LastWrite(FileTime& time) override {
        time.ticks = data_->lastWrite;
        return FsStatus::Ok;
    }
    FsStatus SetLastWrite(const FileTime& time) override {
        data_->lastWrite = time.ticks;
        return FsStatus::Ok;
    }

private:
    FakeFileSystem& owner_;
    std::shared_ptr<Data> data_;
};

PathString FakeFileSystem::Native(PathView path) {
    PathString native(path);
    std::replace(native.begin(), native.end(), PathChar('/'), kPathSeparator);
    return native;
}

PathString FakeFileSystem::FoldName(PathView name) const {
    PathString folded(name);
    for (PathChar& c : folded)
        if (c >= 'a' && c <= 'z') c = static_cast<PathChar>(c - 'a' + 'A');
    return folded;
}

FakeFileSystem::Node* FakeFileSystem::Find(PathView path) {
    auto found = nodes_.find(FoldName(Native(path)));
    return found == nodes_.end() ? nullptr : &found->second;
}

const FakeFileSystem::Node* FakeFileSystem::Find(PathView path) const {
    auto found = nodes_.find(FoldName(Native(path)));
    return found == nodes_.end() ? nullptr : &found->second;
}

void FakeFileSystem::Add(Node node) {
    node.path = Native(node.path);
    size_t separator = node.path.find_last_of(kPathSeparator);
    if (separator != PathString::npos && separator > 0 && !Find(node.path.substr(0, separator)))
        throw std::logic_error("fake file system: no folder above an added entry");
    PathString key = FoldName(node.path);
    nodes_[key] = std::move(node);
}

void FakeFileSystem::AddFolder(PathView path, std::uint32_t reparseTag) {
    Node node;
    node.path = PathString(path);
    node.folder = true;
    node.reparseTag = reparseTag;
    Add(std::move(node));
}

void FakeFileSystem::AddFile(PathView path, std::string bytes, std::uint32_t reparseTag) {
    Node node;
    node.path = PathString(path);
    node.reparseTag = reparseTag;
    node.data = std::make_shared<Data>();
    node.data->bytes = std::move(bytes);
    node.data->durable = node.data->bytes;
    node.data->file = nextFile_++;
    node.data->lastWrite = 1000 + node.data->file;
    Add(std::move(node));
}

void FakeFileSystem::AddHardLink(PathView existing, PathView path) {
    Node node;
    node.path = PathString(path);
    node.data = Find(existing)->data;
    Add(std::move(node));
}

void FakeFileSystem::AddOutsideNames(PathView path, std::uint32_t count) { Find(path)->data->outsideNames = count; }
void FakeFileSystem::SetReadOnly(PathView path) { Find(path)->readOnly = true; }
void FakeFileSystem::MakeUnlistable(PathView path) { Find(path)->unlistable = true; }

bool FakeFileSystem::Exists(PathView path) const { return Find(path) != nullptr; }

std::string FakeFileSystem::Contents(PathView path) const {
    const Node* node = Find(path);
    return node && node->data ? node->data->bytes : "<missing>";
}

std::map<PathString, std::string> FakeFileSystem::Snapshot() const {
    std::map<PathString, std::string> snapshot;
    for (const auto& [key, node] : nodes_) snapshot[node.path] = node.data ? node.data->bytes : "<folder>";
    return snapshot;
}

void FakeFileSystem::LosePower(unsigned seed, bool tear) {
    constexpr std::size_t kSector = 4096;
    for (auto& [key, node] : nodes_) {
        if (!node.data || node.data->bytes == node.data->durable) continue;
        std::string& now = node.data->bytes;
        const std::string& durable = node.data->durable;
        bool torn = false;
        for (std::size_t at = 0; at < now.size(); at += kSector) {
            std::size_t length = std::min(kSector, now.size() - at);
            if (now.compare(at, length, durable, at, length) == 0) continue;
            seed = seed * 1103515245u + 12345u;
            if (tear && !torn) {
                now.replace(at, length / 2, durable, at, length / 2);  // the first half never made it
                torn = true;
            } else if ((seed >> 16) & 1) {
                now.replace(at, length, durable, at, length);
            }
        }
        node.data->durable = now;
        node.data->open = false;
    }
}

std::uint32_t FakeFileSystem::Links(const Data& data) const {
    std::uint32_t links = data.outsideNames;
    for (const auto& [key, node] : nodes_) links += node.data.get() == &data ? 1 : 0;
    return links;
}

FsStatus FakeFileSystem::Look(const PathString& path, EntryFacts& facts) {
    const Node* node = Find(path);
    if (!node) return FsStatus::NotFound;
    facts = {node->folder, node->readOnly, node->reparseTag, node->data ? node->data->bytes.size() : 0};
    return FsStatus::Ok;
}

FsStatus FakeFileSystem::List(const PathString& folder, std::vector<ListedEntry>& entries) {
    const Node* parent = Find(folder);
    if (!parent || !parent->folder) return FsStatus::NotFound;
    if (parent->unlistable) return FsStatus::Refused;
    PathString prefix = FoldName(parent->path) + kPathSeparator;
    entries.clear();
    for (const auto& [key, node] : nodes_) {
        if (!key.starts_with(prefix) || key.find(kPathSeparator, prefix.size()) != PathString::npos) continue;
        EntryFacts facts;
        Look(key, facts);
        entries.push_back({node.path.substr(prefix.size()), facts});
    }
    return FsStatus::Ok;
}

std::unique_ptr<ExclusiveFile> FakeFileSystem::OpenExclusive(const PathString& path, FsStatus& status) {
    Node* node = Find(path);
    status = !node ? FsStatus::NotFound : (!node->data || node->data->open) ? FsStatus::Refused : FsStatus::Ok;
    if (status != FsStatus::Ok) return nullptr;
    return std::make_unique<Handle>(*this, node->data);
}

FsStatus FakeFileSystem::Rename(const PathString& from, const PathString& to) {
    if (crashAtRename_) {
        crashAtRename_ = false;
        throw Crash{};
    }
    if (failRenames_) return FsStatus::Failed;
    Node* node = Find(from);
    if (!node) return FsStatus::NotFound;
    if (Find(to)) return FsStatus::Exists;
    Node moved = *node;
    moved.path = to;
    nodes_.erase(FoldName(Native(from)));
    Add(std::move(moved));
    return FsStatus::Ok;
}

}  // namespace vftest
