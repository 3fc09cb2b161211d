#include "middleware/device/tests/transport_scripted_hid.h"

#include <algorithm>
#include <cstring>

#include "middleware/common/status.h"
#include "middleware/common/trace.h"
#include "middleware/device/transport.h"

namespace tessel::device::scripted {

namespace {

thread_local std::uint32_t lastErrorOfThread = 0;

class ScriptedInterfaceList final : public InterfaceList {
public:
    struct Entry {
        std::u16string path;
        std::uint32_t error = 0;
        InterfaceQuery query = InterfaceQuery::enumerate;
    };
    explicit ScriptedInterfaceList(std::vector<Entry> entries) : entries_(std::move(entries)) {}

    std::uint32_t path(std::uint32_t index, std::u16string& path) override {
        if (index >= entries_.size()) {
            failed_ = InterfaceQuery::enumerate;
            return syserr::noMoreItems;
        }
        const Entry& entry = entries_[index];
        if (entry.error) {
            failed_ = entry.query;
            return entry.error;
        }
        path = entry.path;
        return 0;
    }
    InterfaceQuery failedQuery() const override { return failed_; }

private:
    std::vector<Entry> entries_;
    InterfaceQuery failed_ = InterfaceQuery::enumerate;
};

std::mutex traceLock;
std::vector<std::u16string> traceLines;

void recordTrace(const char16_t* format) {
    std::lock_guard guard(traceLock);
    traceLines.emplace_back(format);
}

}  // namespace

bool ScriptedMouse::failsNow(Exchange kind, int number) const {
    return std::any_of(failures.begin(), failures.end(), [&](const Failure& f) {
        return f.kind == kind && number >= f.nth && (f.count < 0 || number < f.nth + f.count);
    });
}

ScriptedHid::ScriptedHid(Clock& clock, const MemoryMutexPort* mutexes) : clock_(clock), mutexes_(mutexes) {}
ScriptedHid::~ScriptedHid() = default;

ScriptedMouse& ScriptedHid::add(std::u16string path, std::uint16_t productId, std::uint16_t vendorId) {
    std::lock_guard guard(lock_);
    auto mouse = std::make_unique<ScriptedMouse>();
    mouse->path = std::move(path);
    mouse->attributes.productId = productId;
    mouse->attributes.vendorId = vendorId;
    mice_.push_back(std::move(mouse));
    return *mice_.back();
}

void ScriptedHid::failPathQuery(std::uint32_t index, std::uint32_t error, InterfaceQuery query) {
    std::lock_guard guard(lock_);
    pathFailures_[index] = {error, query};
}

std::vector<LoggedExchange> ScriptedHid::log() const {
    std::lock_guard guard(lock_);
    return log_;
}

std::vector<LoggedExchange> ScriptedHid::log(Exchange kind) const {
    std::vector<LoggedExchange> matching;
    for (const LoggedExchange& entry : log())
        if (entry.kind == kind) matching.push_back(entry);
    return matching;
}

int ScriptedHid::snapshots() const {
    std::lock_guard guard(lock_);
    return snapshots_;
}

int ScriptedHid::openDevices() const {
    std::lock_guard guard(lock_);
    return static_cast<int>(handles_.size());
}

int ScriptedHid::opens() const {
    std::lock_guard guard(lock_);
    return opens_;
}

std::unique_ptr<InterfaceList> ScriptedHid::mouseInterfaces(std::uint32_t& error) {
    std::lock_guard guard(lock_);
    ++snapshots_;
    if (snapshotFails) {
        error = syserr::invalidHandle;
        return nullptr;
    }
    std::vector<ScriptedInterfaceList::Entry> entries;
    for (std::uint32_t index = 0; index < mice_.size(); ++index) {
        auto failure = pathFailures_.find(index);
        if (failure != pathFailures_.end())
            entries.push_back({{}, failure->second.error, failure->second.query});
        else
            entries.push_back({mice_[index]->path});
    }
    error = 0;
    return std::make_unique<ScriptedInterfaceList>(std::move(entries));
}

PortHandle ScriptedHid::open(const std::u16string& path) {
    std::lock_guard guard(lock_);
    ++opens_;
    for (const auto& mouse : mice_) {
        if (mouse->path == path && mouse->opens) {
            const PortHandle handle = next_++;
            handles_[handle] = {mouse.get(), path};
            return handle;
        }
    }
    lastErrorOfThread = syserr::fileNotFound;
    return 0;
}

void ScriptedHid::close(PortHandle device) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(device);
    if (found == handles_.end()) return;
    if (found->second.mouse->transactionHandle == device) found->second.mouse->transactionHandle = 0;
    handles_.erase(found);
}

bool ScriptedHid::attributes(PortHandle device, HidAttributes& attributes) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(device);
    if (found == handles_.end() || !found->second.mouse->hasAttributes) {
        lastErrorOfThread = syserr::genFailure;
        return false;
    }
    attributes = found->second.mouse->attributes;
    return true;
}

bool ScriptedHid::begin(PortHandle device, Exchange kind, ScriptedMouse*& mouse) {
    auto found = handles_.find(device);
    if (found == handles_.end()) {
        lastErrorOfThread = syserr::invalidHandle;
        return false;
    }
    mouse = found->second.mouse;
    const int number = ++mouse->counts[kind];
    if (mouse->beforeExchange) mouse->beforeExchange(*mouse, kind, number);
    if (kind != Exchange::shortGet && kind != Exchange::shortSet) {
        if (mouse->transactionHandle != 0 && mouse->transactionHandle != device) ++mouse->interleavings;
        mouse->transactionHandle = kind == Exchange::endReport ? 0 : device;
    }
    // A mouse unplugged since the open answers nothing on the old handle.
    const bool ok = mouse->answers && found->second.path == mouse->path && !mouse->failsNow(kind, number);
    if (!ok) lastErrorOfThread = mouse->failureError;
    return ok;
}

void ScriptedHid::record(const std::u16string& path, Exchange kind, bool ok, const std::uint8_t* bytes,
                         std::uint32_t length) {
    if (!keepsLog) return;
    LoggedExchange entry{path, kind, ok, clock_.nowMs(), {}, -1};
    std::memcpy(entry.bytes.raw(), bytes, std::min<std::size_t>(length, DovaReport::size));
    if (mutexes_) entry.exclusionHandles = mutexes_->openHandles(kTransactionMutexName);
    log_.push_back(entry);
}

void ScriptedHid::answer(ScriptedMouse& mouse, std::uint8_t* buffer) const {
    DovaReport reply;
    const DovaReport& request = mouse.lastRequest;
    if (request[DovaReport::readFlag] == 1) {
        auto block = mouse.blocks.find(request[DovaReport::command]);
        if (block != mouse.blocks.end()) reply = block->second;
    }
    reply[DovaReport::reportId] = 0;
    reply[DovaReport::control] = 0;
    reply[DovaReport::readFlag] = request[DovaReport::readFlag];
    reply[DovaReport::command] = request[DovaReport::command];
    reply[DovaReport::param] = request[DovaReport::param];
    if (mouse.statuses.empty()) {
        reply[DovaReport::status] = mouse.statusAfterwards;
    } else {
        reply[DovaReport::status] = mouse.statuses.front();
        mouse.statuses.pop_front();
    }
    std::memcpy(buffer, reply.raw(), DovaReport::size);
}

bool ScriptedHid::getFeature(PortHandle device, std::uint8_t* buffer, std::uint32_t length) {
    std::lock_guard guard(lock_);
    auto found = handles_.find(device);
    const bool shortReport = buffer[0] != 0;
    const Exchange kind = shortReport ? Exchange::shortGet
                          : found != handles_.end() && found->second.mouse->requested ? Exchange::answerPoll
                                                                                      : Exchange::readinessPoll;
    ScriptedMouse* mouse = nullptr;
    const bool ok = begin(device, kind, mouse);
    const std::u16string path = mouse ? mouse->path : std::u16string();
    if (!ok) {
        std::memset(buffer, 0xCC, length);  // a failed read may leave anything behind
    } else if (shortReport) {
        const std::uint8_t id = buffer[0];
        std::memset(buffer, 0, length);
        buffer[0] = id;
        auto report = mouse->shortReports.find(id);
        if (report != mouse->shortReports.end())
            std::memcpy(buffer, report->second.data(), std::min<std::size_t>(length, report->second.size()));
    } else if (length != DovaReport::size) {
        lastErrorOfThread = syserr::genFailure;
        record(path, kind, false, buffer, length);
        return false;
    } else if (kind == Exchange::answerPoll) {
        answer(*mouse, buffer);
    } else {
        std::memset(buffer, 0, length);
        if (mouse->readiness.empty()) {
            buffer[DovaReport::control] = mouse->readinessAfterwards;
        } else {
            buffer[DovaReport::control] = mouse->readiness.front();
            mouse->readiness.pop_front();
        }
    }
    record(path, kind, ok, buffer, length);
    return ok;
}

bool ScriptedHid::setFeature(PortHandle device, const std::uint8_t* buffer, std::uint32_t length) {
    std::lock_guard guard(lock_);
    Exchange kind = Exchange::shortSet;
    if (buffer[0] == 0) {
        DovaReport sent;
        std::memcpy(sent.raw(), buffer, std::min<std::size_t>(length, DovaReport::size));
        kind = sent.bytes == DovaReport::endReport().bytes ? Exchange::endReport : Exchange::request;
    }
    ScriptedMouse* mouse = nullptr;
    const bool ok = begin(device, kind, mouse);
    const std::u16string path = mouse ? mouse->path : std::u16string();
    record(path, kind, ok, buffer, length);
    if (!ok) return false;
    if (kind == Exchange::shortSet) {
        mouse->shortReports[buffer[0]].assign(buffer, buffer + length);
    } else if (kind == Exchange::endReport) {
        mouse->requested = false;
    } else {
        std::memcpy(mouse->lastRequest.raw(), buffer, DovaReport::size);
        if (mouse->lastRequest.computeChecksum() != mouse->lastRequest[DovaReport::checksum]) ++mouse->badChecksums;
        if (mouse->lastRequest[DovaReport::readFlag] == 0)
            mouse->blocks[mouse->lastRequest[DovaReport::command]] = mouse->lastRequest;
        mouse->requested = true;
    }
    return true;
}

std::uint32_t ScriptedHid::lastError() { return lastErrorOfThread; }

TraceRecorder::TraceRecorder() {
    std::lock_guard guard(traceLock);
    traceLines.clear();
    setTraceSink(recordTrace);
}

TraceRecorder::~TraceRecorder() { setTraceSink(nullptr); }

std::vector<std::u16string> TraceRecorder::lines() const {
    std::lock_guard guard(traceLock);
    return traceLines;
}

int TraceRecorder::count(const std::u16string& line) const {
    const auto all = lines();
    return static_cast<int>(std::count(all.begin(), all.end(), line));
}

}  // namespace tessel::device::scripted
