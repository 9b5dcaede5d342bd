// The compressing half of the codec: LZW and run-length code streams packed into data sub-blocks.
#include <algorithm>
#include <cstring>

#include "imaging/gif/GIFImage.h"

// ---------------------------------------------------------------------------------------------
// Sub-block writer

int64_t TGIFWriter::Read(void*, int64_t) { throw Exception("Invalid stream operation"); }
int64_t TGIFWriter::Seek(int64_t, TSeekOrigin) { throw Exception("Invalid stream operation"); }

int64_t TGIFWriter::Write(const void* buffer, int64_t count) {
    if (count < 1) return count;
    const auto* p = static_cast<const uint8_t*>(buffer);
    int64_t left = count;
    while (left > 0) {
        const int64_t n = std::min<int64_t>(left, 256 - count_);
        std::memcpy(buffer_ + count_, p, static_cast<size_t>(n));
        count_ += static_cast<int>(n);
        p += n;
        left -= n;
        if (count_ == 256) FlushBuffer();
    }
    // Dirty means bytes are pending: a tail left after a flush still goes out, and nothing
    // pending writes no empty block.
    dirty_ = count_ > 1;
    return count;
}

void TGIFWriter::FlushBuffer() {
    buffer_[0] = static_cast<uint8_t>(count_ - 1);
    const int n = count_;
    count_ = 1;
    dirty_ = false;
    stream_.WriteBuffer(buffer_, n);
}

TGIFWriter::~TGIFWriter() {
    if (!dirty_) return;
    try {
        FlushBuffer();
    } catch (...) {
        // A destructor never raises; the stream's own error was the one that counted.
    }
}

// ---------------------------------------------------------------------------------------------
// Encoder base

void TGIFEncoder::Compress(TStream& stream, int bitsPerPixel, int width, int height, bool interlace,
                           const uint8_t* data, int maxColor) {
    MaxColor = maxColor;
    BitsPerPixel = bitsPerPixel <= 1 ? 2 : bitsPerPixel;
    Width = width;
    Height = height;
    Interlace = interlace;
    Data = data;
    InitialBitsPerCode = BitsPerPixel + 1;
    WriteByte(stream, static_cast<uint8_t>(BitsPerPixel));
    BitsPerCode = InitialBitsPerCode;
    MaxCode = (1 << BitsPerCode) - 1;
    ClearCode = 1 << (InitialBitsPerCode - 1);
    EOICode = ClearCode + 1;
    BaseCode = ClearCode + 2;
    OutputBucket = 0;
    OutputBits = 0;
    Pixel = 0;
    Step = interlace ? int64_t{width} : int64_t{width} * height;
    Row = 0;
    Pass = 0;
    TGIFWriter writer(stream);
    Writer = &writer;
    try {
        DoCompress();
        Output(EOICode);
    } catch (...) {
        // The partial sub-block goes out ahead of the error; a failing flush is dropped.
        Writer = nullptr;
        if (writer.OutputDirty()) {
            try {
                writer.FlushBuffer();
            } catch (...) {
            }
        }
        throw;
    }
    Writer = nullptr;
    if (writer.OutputDirty()) writer.FlushBuffer();
    WriteByte(stream, 0);
}

void TGIFEncoder::Output(int value) {
    if (OutputBits > 0) OutputBucket = (static_cast<uint32_t>(value) << OutputBits) | (OutputBucket & ((1u << OutputBits) - 1));
    else OutputBucket = static_cast<uint32_t>(value);
    OutputBits += BitsPerCode;
    while (OutputBits >= 8) {
        Writer->WriteOne(static_cast<uint8_t>(OutputBucket));
        OutputBucket >>= 8;
        OutputBits -= 8;
    }
    if (value == EOICode) {
        while (OutputBits > 0) {
            Writer->WriteOne(static_cast<uint8_t>(OutputBucket));
            OutputBucket >>= 8;
            OutputBits -= 8;
        }
        OutputBits = 0;
    }
}

void TGIFEncoder::Clear() {
    ClearFlag = true;
    Output(ClearCode);
}

uint8_t TGIFEncoder::Take() {
    const uint8_t c = Data[Pixel];
    if (c >= MaxColor) Error("Color not in color table");
    return c;
}

bool TGIFEncoder::Advance() {
    ++Pixel;
    if (--Step > 0) return true;
    if (!Interlace) return false;
    Step = Width;
    static const int kStep[4] = {8, 8, 4, 2};
    static const int kStart[4] = {4, 2, 1, 0};
    Row += kStep[Pass];
    while (Row >= Height) {
        if (Pass >= 3) return false;
        Row = kStart[Pass];
        ++Pass;
    }
    Pixel = int64_t{Row} * Width;
    return true;
}

// ---------------------------------------------------------------------------------------------
// LZW

void TLZWEncoder::Output(int value) {
    TGIFEncoder::Output(value);
    if (ClearFlag) {
        BitsPerCode = InitialBitsPerCode;
        MaxCode = (1 << BitsPerCode) - 1;
        ClearFlag = false;
    } else if (FreeEntry > MaxCode) {
        ++BitsPerCode;
        MaxCode = BitsPerCode == 12 ? 4096 : (1 << BitsPerCode) - 1;
    }
}

void TLZWEncoder::Clear() {
    TGIFEncoder::Clear();
    HashTable->Clear();
    FreeEntry = ClearCode + 2;
}

void TLZWEncoder::DoCompress() {
    auto table = std::make_unique<THashTable>();
    HashTable = table.get();
    struct Reset {
        THashTable*& t;
        ~Reset() { t = nullptr; }
    } reset{HashTable};
    Clear();
    Prefix = Take();
    while (Advance()) {
        const int c = Take();
        const uint32_t key = (static_cast<uint32_t>(Prefix) << 8) | static_cast<uint32_t>(c);
        const int code = HashTable->Lookup(key);
        if (code >= 0) {
            Prefix = code;
            continue;
        }
        Output(Prefix);
        Prefix = c;
        if (FreeEntry >= 4095) {
            Clear();
        } else {
            HashTable->Insert(key, FreeEntry);
            ++FreeEntry;
        }
    }
    Output(Prefix);
}

// ---------------------------------------------------------------------------------------------
// Run-length: valid LZW codes built from runs only, no dictionary search

void TRLEEncoder::Clear() {
    OutBump = OutBumpInit;
    OutClear = OutClearInit;
    OutCount = 0;
    RLTableMax = 0;
    TGIFEncoder::Clear();
    BitsPerCode = InitialBitsPerCode;
}

void TRLEEncoder::OutputPlain(int code) {
    ClearFlag = false;
    Output(code);
    ++OutCount;
    if (OutCount >= OutBump) {
        ++BitsPerCode;
        OutBump += 1 << (BitsPerCode - 1);
    }
    if (OutCount >= OutClear) Clear();
}

// Codes needed for count pixels of one colour after a clear.
int TRLEEncoder::ComputeTriangleCount(int count, int maxCodes) {
    int64_t cost = 0;
    int64_t left = count;
    const int64_t per = int64_t{maxCodes} * (maxCodes + 1) / 2;
    while (left >= per) {
        cost += maxCodes;
        left -= per;
    }
    if (left > 0) {
        // Integer square root by Newton's method, then the smallest n with n(n+1) >= 2 left.
        int64_t r = 1;
        while (r * r < left) r <<= 1;
        for (;;) {
            const int64_t next = (r + left / r) / 2;
            if (next == r || next == r + 1 || next + 1 == r) {
                r = std::min(r, next);
                break;
            }
            r = next;
        }
        int64_t n = r;
        while (n > 0 && n * (n + 1) >= 2 * left) --n;
        while (n * (n + 1) < 2 * left) ++n;
        cost += n;
    }
    return static_cast<int>(std::min<int64_t>(cost, 0x7FFFFFFF));
}

void TRLEEncoder::FlushFromClear(int count) {
    OutClear = MaxCodes;
    RLTablePixel = RLPixel;
    int n = 1;
    while (count > 0) {
        if (n == 1) {
            RLTableMax = 1;
            OutputPlain(RLPixel);
            --count;
        } else if (count >= n) {
            RLTableMax = n;
            OutputPlain(BaseCode + n - 2);
            count -= n;
        } else {
            ++RLTableMax;
            OutputPlain(count == 1 ? RLPixel : BaseCode + count - 2);
            count = 0;
        }
        n = OutCount == 0 ? 1 : n + 1;
    }
    OutClear = OutClearInit;
    if (OutCount >= OutClear) Clear();
}

void TRLEEncoder::FlushClearOrRep(int count) {
    const int withClear = 1 + ComputeTriangleCount(count, MaxCodes);
    if (withClear < count) {
        Clear();
        FlushFromClear(count);
        return;
    }
    for (; count > 0; --count) OutputPlain(RLPixel);
}

void TRLEEncoder::FlushWithTable(int count) {
    int reps = count / RLTableMax;
    int leftover = count % RLTableMax;
    int leftoverCost = leftover ? 1 : 0;
    if (OutCount + reps + leftoverCost > MaxCodes) {
        reps = MaxCodes - OutCount;
        leftover = count - reps * RLTableMax;
        leftoverCost = 1 + ComputeTriangleCount(leftover, MaxCodes);
    }
    if (1 + ComputeTriangleCount(count, MaxCodes) < reps + leftoverCost) {
        Clear();
        FlushFromClear(count);
        return;
    }
    OutClear = MaxCodes;
    const int code = BaseCode + RLTableMax - 2;
    for (int i = 0; i < reps; ++i) OutputPlain(code);
    if (leftover > 0) {
        if (ClearFlag) FlushFromClear(leftover);
        else if (leftover == 1) OutputPlain(RLPixel);
        else OutputPlain(BaseCode + leftover - 2);
    }
    OutClear = OutClearInit;
    if (OutCount >= OutClear) Clear();
}

void TRLEEncoder::FlushRun(int count) {
    if (count == 1) OutputPlain(RLPixel);
    else if (ClearFlag) FlushFromClear(count);
    else if (RLTableMax < 2 || RLTablePixel != RLPixel) FlushClearOrRep(count);
    else FlushWithTable(count);
}

void TRLEEncoder::DoCompress() {
    OutBumpInit = ClearCode - 1;
    OutClearInit = BitsPerPixel <= 3 ? 9 : ClearCode - 2;
    MaxCodes = 4095 - BaseCode;
    Clear();
    RLPixel = -1;
    int count = 0;
    do {
        const int c = Take();
        if (count > 0 && c != RLPixel) {
            FlushRun(count);
            count = 0;
        }
        if (c == RLPixel && count > 0) {
            ++count;
        } else {
            RLPixel = c;
            count = 1;
        }
        // A run never outgrows an int: flush it long before.
        if (count == 0x3FFFFFFF) {
            FlushRun(count);
            count = 0;
        }
    } while (Advance());
    if (count > 0) FlushRun(count);
}
