// The LZW decoder of a GIF frame: variable-width codes of up to 12 bits, least significant bit
// first, in data sub-blocks of at most 255 bytes, with clear and end codes.
#include <algorithm>
#include <cstring>

#include "imaging/gif/GIFImage.h"

namespace {

constexpr int kTableSize = 4096;
constexpr int kStackSize = 8192;
// The longest string a legal table holds; a longer chain loops.
constexpr int kLongestString = 4097;

class TLZWDecoder {
public:
    TLZWDecoder(TGIFSubImage& frame, TStream& stream) : frame_(frame), stream_(stream) {
        std::memset(buffer_, 0, sizeof buffer_);
    }

    // False when the stream has no code size byte.
    bool Start() {
        uint8_t size = 0;
        if (stream_.Read(&size, 1) != 1) return false;
        if (size > 8) size = 8;
        initialCodeSize_ = size;
        codeSize_ = size + 1;
        clearCode_ = 1 << size;
        eoiCode_ = clearCode_ + 1;
        maxCode_ = 2 * clearCode_;
        nextFree_ = clearCode_ + 2;
        return true;
    }

    // The next pixel; -1 when no code could be read, -2 at the end code.
    int NextPixel() {
        if (sp_ > 0) return stack_[--sp_];
        return Step();
    }

    // Whether the zero-length block that closes the data has been read.
    bool Terminated() const { return done_ || skipped_; }

    void SkipToTerminator() {
        uint8_t size = 0;
        while (stream_.Read(&size, 1) == 1 && size != 0) stream_.Seek(size, soCurrent);
        skipped_ = true;
    }

private:
    int NextCode(int size) {
        if (first_) {
            first_ = false;
            return clearCode_;
        }
        if (curBit_ + size >= lastBit_) {
            if (done_) {
                if (curBit_ >= lastBit_) frame_.Warning(1, "Decoder bit buffer under-run");
                return -1;
            }
            buffer_[0] = buffer_[lastByte_ - 2];
            buffer_[1] = buffer_[lastByte_ - 1];
            uint8_t b = 0;
            if (stream_.Read(&b, 1) != 1) return -1;
            int count = b;
            if (count == 0) {
                zeroBlock_ = true;
                done_ = true;
            } else {
                const int64_t left = std::max<int64_t>(0, stream_.Size() - stream_.Position());
                if (count > left) {
                    frame_.Warning(1, "Premature end of data");
                    count = static_cast<int>(left & 0xFF);
                }
                if (count != 0) ReadCheck(stream_, buffer_ + 2, count);
            }
            lastByte_ = count + 2;
            curBit_ = curBit_ - lastBit_ + 16;
            lastBit_ = lastByte_ * 8;
            // The code is taken as it stands, without a second check.
        }
        const int at = curBit_ >> 3;
        // Bytes past the ones the code needs are masked away; the buffer has room for them.
        const uint32_t bits = buffer_[at] | uint32_t{buffer_[at + 1]} << 8 | uint32_t{buffer_[at + 2]} << 16;
        const int code = static_cast<int>((bits >> (curBit_ & 7)) & ((1u << size) - 1));
        curBit_ += size;
        return code;
    }

    void Push(int value) {
        if (++pushed_ > kLongestString) Error("Circular decoder table entry");
        stack_[sp_++] = value;
    }

    int Step() {
        int c = NextCode(codeSize_);
        if (c < 0) return c;
        if (c == clearCode_) {
            for (int i = 0; i < clearCode_; ++i) {
                prefix_[i] = 0;
                suffix_[i] = i;
            }
            // Entries past the highest one ever defined are still 0: a run of clears costs no more
            // than the codes between them.
            for (int i = clearCode_; i < defined_; ++i) prefix_[i] = suffix_[i] = 0;
            codeSize_ = initialCodeSize_ + 1;
            maxCode_ = 2 * clearCode_;
            nextFree_ = clearCode_ + 2;
            sp_ = 0;
            do {
                c = NextCode(codeSize_);
            } while (c == clearCode_);
            // A clear code right before the end code: the data end there.
            if (c == eoiCode_) return EndCode();
            firstCode_ = oldCode_ = c;
            return c;
        }
        if (c == eoiCode_) return EndCode();

        const int inCode = c;
        pushed_ = 0;
        if (c >= nextFree_) {
            Push(firstCode_);
            c = oldCode_;
        }
        while (c >= clearCode_) {
            Push(suffix_[c]);
            if (prefix_[c] == c) Error("Circular decoder table entry");
            c = prefix_[c];
        }
        firstCode_ = suffix_[c];
        Push(firstCode_);
        if (nextFree_ < kTableSize) {
            prefix_[nextFree_] = oldCode_;
            suffix_[nextFree_] = firstCode_;
            ++nextFree_;
            defined_ = std::max(defined_, nextFree_);
            if (nextFree_ >= maxCode_ && maxCode_ < kTableSize) {
                maxCode_ *= 2;
                ++codeSize_;
            }
        }
        oldCode_ = inCode;
        return stack_[--sp_];
    }

    int EndCode() {
        if (!zeroBlock_) SkipToTerminator();
        return -2;
    }

    TGIFSubImage& frame_;
    TStream& stream_;

    int initialCodeSize_ = 0;
    int codeSize_ = 0;
    int clearCode_ = 0;
    int eoiCode_ = 0;
    int maxCode_ = 0;
    int nextFree_ = 0;
    int firstCode_ = 0;
    int oldCode_ = 0;
    int prefix_[kTableSize] = {};
    int suffix_[kTableSize] = {};
    int stack_[kStackSize];
    int sp_ = 0;
    int pushed_ = 0;
    int defined_ = 0;  // one past the highest entry written

    // 2 bytes carried over, up to 255 data bytes, and room to read a code's bytes as one word.
    uint8_t buffer_[258 + 2];
    int curBit_ = 0;
    int lastBit_ = 0;
    int lastByte_ = 2;
    bool first_ = true;
    bool done_ = false;
    bool zeroBlock_ = false;
    bool skipped_ = false;
};

}  // namespace

void TGIFSubImage::Decompress(TStream& stream) {
    NewImage();
    const uint8_t fill = Transparent && GraphicControlExtension ? GraphicControlExtension->TransparentColorIndex() : 0;
    if (fill != 0) std::fill(data_.begin(), data_.end(), fill);

    TLZWDecoder decoder(*this, stream);  // fixed tables, no allocation
    if (!decoder.Start()) return;

    const int width = width_;
    const int height = height_;
    uint8_t* out = data_.data();
    auto fillRow = [&](uint8_t* line) {
        for (int x = 0; x < width; ++x) {
            const int p = decoder.NextPixel();
            if (p < 0) return false;  // the first negative fetch ends the filling
            line[x] = static_cast<uint8_t>(p);
        }
        return true;
    };
    // Plain rows follow one another; interlaced ones come every 8th from 0, every 8th from 4,
    // every 4th from 2, then every 2nd from 1.
    int row = 0, step = Interlaced() ? 8 : 1, pass = 0;
    for (int y = 0; y < height; ++y) {
        if (!fillRow(out + static_cast<size_t>(row) * width) || y + 1 == height) break;
        row += step;
        while (row >= height) {
            ++pass;
            if (pass > 1) step /= 2;
            row = step / 2;
        }
    }
    // Whatever codes are left before the end, the stream goes on after the data's zero-length
    // block, so the frame loop never starts inside the image data.
    if (!decoder.Terminated()) decoder.SkipToTerminator();
}
