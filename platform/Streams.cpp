#include "platform/Streams.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "platform/AtomicFile.h"
#include "platform/Exceptions.h"

void TStream::SetSize(int64_t) { throw EStreamError("Stream size cannot be changed"); }

int64_t TStream::Size() {
    int64_t pos = Seek(0, soCurrent);
    int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count != 0 && Read(buffer, count) != count) throw EReadError("Stream read error");
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count != 0 && Write(buffer, count) != count) throw EWriteError("Stream write error");
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const int64_t result = count;
    std::vector<char> buf(static_cast<size_t>(std::min<int64_t>(count > 0 ? count : 1, 61440)));
    while (count > 0) {
        int64_t n = std::min<int64_t>(count, static_cast<int64_t>(buf.size()));
        source.ReadBuffer(buf.data(), n);
        WriteBuffer(buf.data(), n);
        count -= n;
    }
    return result;
}

namespace {
int64_t SeekIn(int64_t& pos, int64_t size, int64_t offset, TSeekOrigin origin) {
    switch (origin) {
        case soBeginning: pos = offset; break;
        case soCurrent: pos += offset; break;
        case soEnd: pos = size + offset; break;
    }
    if (pos < 0) pos = 0;
    return pos;
}

// Reads and writes over a byte container at a position; shared by the memory and string streams.
template <class Bytes>
int64_t ReadAt(const Bytes& data, int64_t& pos, void* buffer, int64_t count) {
    const int64_t size = static_cast<int64_t>(data.size());
    if (count <= 0 || pos >= size) return 0;
    int64_t n = std::min(count, size - pos);
    std::memcpy(buffer, data.data() + pos, static_cast<size_t>(n));
    pos += n;
    return n;
}

template <class Bytes>
int64_t WriteAt(Bytes& data, int64_t& pos, const void* buffer, int64_t count) {
    if (count <= 0) return 0;
    const int64_t end = pos + count;
    if (end > static_cast<int64_t>(data.size())) data.resize(static_cast<size_t>(end));
    std::memcpy(data.data() + pos, buffer, static_cast<size_t>(count));
    pos = end;
    return count;
}

template <class Bytes>
void ResizeTo(Bytes& data, int64_t& pos, int64_t newSize) {
    if (newSize < 0) newSize = 0;
    data.resize(static_cast<size_t>(newSize));
    if (pos > newSize) pos = newSize;
}
}  // namespace

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    return ReadAt(data_, pos_, buffer, count);
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    return WriteAt(data_, pos_, buffer, count);
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    return SeekIn(pos_, static_cast<int64_t>(data_.size()), offset, origin);
}

void TMemoryStream::SetSize(int64_t newSize) {
    ResizeTo(data_, pos_, newSize);
}

void TMemoryStream::Clear() {
    data_.clear();
    pos_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& s) {
    s.SetPosition(0);
    int64_t n = s.Size();
    SetSize(n);
    if (n) s.ReadBuffer(data_.data(), n);
    pos_ = 0;
}

void TMemoryStream::SaveToStream(TStream& s) {
    if (!data_.empty()) s.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::LoadFromFile(const std::string& fileName) {
    std::ifstream f(fileName, std::ios::binary);
    if (!f) throw EFOpenError("Cannot open file \"" + fileName + "\"");
    data_.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
    if (f.bad()) throw EReadError("Stream read error");
    pos_ = 0;
}

void TMemoryStream::SaveToFile(const std::string& fileName) {
    // Replaced whole, so a failed save never leaves a half-written file.
    AtomicWriteFile(fileName, std::string_view(reinterpret_cast<const char*>(data_.data()), data_.size()));
}

int64_t TStringStream::Read(void* buffer, int64_t count) {
    return ReadAt(data_, pos_, buffer, count);
}

int64_t TStringStream::Write(const void* buffer, int64_t count) {
    return WriteAt(data_, pos_, buffer, count);
}

int64_t TStringStream::Seek(int64_t offset, TSeekOrigin origin) {
    return SeekIn(pos_, static_cast<int64_t>(data_.size()), offset, origin);
}

void TStringStream::SetSize(int64_t newSize) {
    ResizeTo(data_, pos_, newSize);
}

std::string TStringStream::ReadString(int64_t count) {
    const int64_t size = static_cast<int64_t>(data_.size());
    int64_t n = std::max<int64_t>(0, std::min(count, size - pos_));
    std::string r = data_.substr(static_cast<size_t>(pos_), static_cast<size_t>(n));
    pos_ += n;
    return r;
}
