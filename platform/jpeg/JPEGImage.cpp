#include "platform/jpeg/JPEGImage.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <exception>
#include <new>
#include <vector>

#include "platform/graphics/Canvas.h"

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

// libjpeg ends the process on a fatal error unless told otherwise. Its error hook here jumps back
// (longjmp) to the function that started the codec call. Those functions and every callback the
// codec calls hold no C++ object with a destructor, so the jump skips none; they destroy the codec
// object on every path and report by a result code, and the C++ caller raises.

namespace {

// Read and write chunks of the codec's stream managers.
constexpr size_t kBufferSize = 65536;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) { std::longjmp(reinterpret_cast<ErrorManager*>(cinfo->err)->jump, 1); }

// Warnings and traces are silent.
void OutputMessage(j_common_ptr) {}

void InstallErrorManager(jpeg_common_struct* cinfo, ErrorManager* err) {
    cinfo->err = jpeg_std_error(&err->pub);
    err->pub.error_exit = ErrorExit;
    err->pub.output_message = OutputMessage;
}

// jrCaught: a C++ exception of the stream or of the row supplier, kept for the caller.
enum JobResult { jrDone, jrCodecError, jrCaught, jrTooLarge, jrNoMemory };

// ---- Stream access, kept apart so that an exception of the stream never crosses the codec ----

// Bytes read, or -1 when the stream raised (its exception kept in failure).
int64_t ReadSome(TStream* stream, void* buffer, int64_t count, std::exception_ptr* failure) noexcept {
    try {
        return stream->Read(buffer, count);
    } catch (...) {
        *failure = std::current_exception();
        return -1;
    }
}

bool WriteAll(TStream* stream, const void* buffer, int64_t count, std::exception_ptr* failure) noexcept {
    try {
        stream->WriteBuffer(buffer, count);
        return true;
    } catch (...) {
        *failure = std::current_exception();
        return false;
    }
}

// ---- Source manager over a stream, as libjpeg's stdio one ----

struct StreamSource {
    jpeg_source_mgr pub;
    TStream* stream;
    std::exception_ptr* failure;
    JOCTET* buffer;
    boolean startOfFile;
};

void InitSource(j_decompress_ptr cinfo) { reinterpret_cast<StreamSource*>(cinfo->src)->startOfFile = TRUE; }

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    int64_t n = ReadSome(src->stream, src->buffer, kBufferSize, src->failure);
    if (n < 0) ERREXIT(cinfo, JERR_FILE_READ);
    if (n == 0) {
        if (src->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        // A fake end of image: the decoder completes the picture.
        src->buffer[0] = 0xFF;
        src->buffer[1] = JPEG_EOI;
        n = 2;
    }
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = static_cast<size_t>(n);
    src->startOfFile = FALSE;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<StreamSource*>(cinfo->src);
    if (count <= 0) return;
    while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
        count -= static_cast<long>(src->pub.bytes_in_buffer);
        (void)FillInputBuffer(cinfo);
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<size_t>(count);
}

void TermSource(j_decompress_ptr) {}

void UseStreamSource(j_decompress_ptr cinfo, TStream* stream, std::exception_ptr* failure) {
    auto* src = static_cast<StreamSource*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(StreamSource)));
    src->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kBufferSize));
    src->stream = stream;
    src->failure = failure;
    src->startOfFile = TRUE;
    src->pub.init_source = InitSource;
    src->pub.fill_input_buffer = FillInputBuffer;
    src->pub.skip_input_data = SkipInputData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = TermSource;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
    cinfo->src = &src->pub;
}

// ---- Destination manager over a stream ----

struct StreamDestination {
    jpeg_destination_mgr pub;
    TStream* stream;
    std::exception_ptr* failure;
    JOCTET* buffer;
};

void InitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
    dest->buffer = static_cast<JOCTET*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, kBufferSize));
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kBufferSize;
}

boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
    if (!WriteAll(dest->stream, dest->buffer, kBufferSize, dest->failure)) ERREXIT(cinfo, JERR_FILE_WRITE);
    dest->pub.next_output_byte = dest->buffer;
    dest->pub.free_in_buffer = kBufferSize;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<StreamDestination*>(cinfo->dest);
    const size_t count = kBufferSize - dest->pub.free_in_buffer;
    if (count > 0 && !WriteAll(dest->stream, dest->buffer, static_cast<int64_t>(count), dest->failure))
        ERREXIT(cinfo, JERR_FILE_WRITE);
}

void UseStreamDestination(j_compress_ptr cinfo, TStream* stream, std::exception_ptr* failure) {
    auto* dest = static_cast<StreamDestination*>(
        (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(StreamDestination)));
    dest->stream = stream;
    dest->failure = failure;
    dest->buffer = nullptr;
    dest->pub.init_destination = InitDestination;
    dest->pub.empty_output_buffer = EmptyOutputBuffer;
    dest->pub.term_destination = TermDestination;
    cinfo->dest = &dest->pub;
}

// ---- Decoding ----

struct DecodeJob {
    TStream* stream;
    std::exception_ptr* failure;
    int scaleDenom;  // 0: read the header only
    bool fast;
    bool gray;
    int64_t cap;
    // Gives the rows for the picture: row y at result + y * stride; null when it failed (its
    // exception kept in failure).
    TJPEGImage::TRowsFunc allocate;
    void* context;
    // Results.
    int width[4];
    int height[4];
    bool grayscale;
    int msgCode;
};

// One row of the codec's CMYK output as blue, green, red. Adobe's files store each ink inverted
// (255: no ink), as libjpeg hands it on; any other file stores the ink itself.
void CmykToBgr(const JSAMPLE* cmyk, uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

uint8_t* SupplyRows(DecodeJob* job, int width, int height, TPixelFormat format, int64_t* stride) noexcept {
    try {
        return job->allocate(job->context, width, height, format, stride);
    } catch (...) {
        *job->failure = std::current_exception();
        return nullptr;
    }
}

JobResult RunDecode(DecodeJob* job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        job->msgCode = err.pub.msg_code;
        jpeg_destroy_decompress(&cinfo);
        return *job->failure ? jrCaught : jrCodecError;
    }
    jpeg_create_decompress(&cinfo);
    // A backstop behind the size checks below: the codec's own memory stays under the cap.
    cinfo.mem->max_memory_to_use = static_cast<long>(job->cap);
    UseStreamSource(&cinfo, job->stream, job->failure);
    jpeg_read_header(&cinfo, TRUE);
    job->grayscale = cinfo.jpeg_color_space == JCS_GRAYSCALE;

    if (job->scaleDenom == 0) {
        for (int i = 0; i < 4; ++i) {
            cinfo.scale_num = 1;
            cinfo.scale_denom = 1u << i;
            jpeg_calc_output_dimensions(&cinfo);
            job->width[i] = static_cast<int>(cinfo.output_width);
            job->height[i] = static_cast<int>(cinfo.output_height);
        }
        jpeg_destroy_decompress(&cinfo);
        return jrDone;
    }

    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(job->scaleDenom);
    cinfo.dct_method = job->fast ? JDCT_IFAST : JDCT_ISLOW;
    cinfo.do_fancy_upsampling = job->fast ? FALSE : TRUE;
    // libjpeg converts CMYK and YCCK only to CMYK: those files decode through rows of their own.
    const bool cmyk = !job->gray && (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK);
    if (cmyk) cinfo.out_color_space = JCS_CMYK;
    else cinfo.out_color_space = job->gray || cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&cinfo);
    const int channels = cinfo.output_components == 1 ? 1 : 3;
    // The sizes come from the file: the output, and for a multi-scan file the coefficients of the
    // whole image, which the codec keeps from the start, must fit the cap before anything is taken.
    const int64_t output = static_cast<int64_t>(cinfo.output_width) * cinfo.output_height * channels;
    const bool multiScan = jpeg_has_multiple_scans(&cinfo);
    const int64_t coefficients = static_cast<int64_t>(cinfo.image_width) * cinfo.image_height * cinfo.num_components * 2;
    if (output > job->cap || (multiScan && coefficients > job->cap)) {
        jpeg_destroy_decompress(&cinfo);
        return jrTooLarge;
    }
    int64_t stride = 0;
    uint8_t* pixels = SupplyRows(job, static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height),
                                 channels == 1 ? pf8bit : pf24bit, &stride);
    if (!pixels) {
        jpeg_destroy_decompress(&cinfo);
        return *job->failure ? jrCaught : jrNoMemory;
    }
    jpeg_start_decompress(&cinfo);
    constexpr JDIMENSION kStrip = 16;
    JSAMPROW rows[kStrip];
    // CMYK comes four bytes a pixel into a strip of the codec's pool (freed with it on every path).
    JSAMPARRAY strip = nullptr;
    if (cmyk)
        strip = (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE,
                                           cinfo.output_width * 4, kStrip);
    while (cinfo.output_scanline < cinfo.output_height) {
        const JDIMENSION first = cinfo.output_scanline;
        const JDIMENSION count = std::min<JDIMENSION>(kStrip, cinfo.output_height - first);
        for (JDIMENSION i = 0; i < count; ++i)
            rows[i] = cmyk ? strip[i] : pixels + stride * static_cast<int64_t>(first + i);
        const JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, count);
        for (JDIMENSION i = 0; cmyk && i < got; ++i)
            CmykToBgr(strip[i], pixels + stride * static_cast<int64_t>(first + i), cinfo.output_width,
                      cinfo.saw_Adobe_marker);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return jrDone;
}

// ---- Encoding ----

struct CompressJob {
    TStream* stream;
    std::exception_ptr* failure;
    const uint8_t* pixels;  // blue, green, red rows
    int64_t stride;
    int width;
    int height;
    int quality;
    bool gray;
    int msgCode;
};

JobResult RunCompress(CompressJob* job) {
    jpeg_compress_struct cinfo;
    ErrorManager err;
    std::memset(&cinfo, 0, sizeof cinfo);
    InstallErrorManager(reinterpret_cast<jpeg_common_struct*>(&cinfo), &err);
    if (setjmp(err.jump)) {
        job->msgCode = err.pub.msg_code;
        jpeg_destroy_compress(&cinfo);
        return *job->failure ? jrCaught : jrCodecError;
    }
    jpeg_create_compress(&cinfo);
    UseStreamDestination(&cinfo, job->stream, job->failure);
    cinfo.image_width = static_cast<JDIMENSION>(job->width);
    cinfo.image_height = static_cast<JDIMENSION>(job->height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    if (job->gray) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    jpeg_set_quality(&cinfo, job->quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<uint8_t*>(job->pixels) + job->stride * static_cast<int64_t>(cinfo.next_scanline);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return jrDone;
}

[[noreturn]] void Raise(JobResult result, int msgCode, const std::exception_ptr& failure) {
    switch (result) {
        case jrCaught: std::rethrow_exception(failure);
        case jrTooLarge: throw EInvalidGraphic("Invalid bitmap size");
        case jrNoMemory: throw EOutOfMemory("Out of memory");
        default: {
            char text[32];
            std::snprintf(text, sizeof text, "JPEG error #%d", msgCode);
            throw EJPEG(text);
        }
    }
}

struct RowStore {
    std::vector<uint8_t> rows;
};

// Rows as the bitmap keeps them (4-byte aligned).
uint8_t* AllocateRows(void* context, int width, int height, TPixelFormat format, int64_t* stride) {
    auto* store = static_cast<RowStore*>(context);
    const int64_t line = TBitmap::BytesPerScanline(width, format == pf8bit ? 8 : 24);
    store->rows.resize(static_cast<size_t>(line * height));
    *stride = line;
    return store->rows.data();
}

}  // namespace

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

int TJPEGImage::Width() const {
    if (source_) return source_->Width();
    return header_.valid ? header_.width[scale_] : 0;
}

int TJPEGImage::Height() const {
    if (source_) return source_->Height();
    return header_.valid ? header_.height[scale_] : 0;
}

bool TJPEGImage::Empty() const { return !source_ && !header_.valid && data_.Bytes().empty(); }

void TJPEGImage::SetScale(TJPEGScale value) {
    if (value == scale_) return;
    scale_ = value;
    decoded_.reset();
    Changed(this);
}

void TJPEGImage::SetPerformance(TJPEGPerformance value) {
    if (value == performance_) return;
    performance_ = value;
    decoded_.reset();
    Changed(this);
}

void TJPEGImage::SetGrayscale(bool value) {
    if (value == grayscale_) return;
    grayscale_ = value;
    decoded_.reset();
    Changed(this);
}

void TJPEGImage::SetCompressionQuality(int value) { quality_ = std::clamp(value, 1, 100); }

void TJPEGImage::ClearData() {
    data_.Clear();
    header_ = Header{};
    decoded_.reset();
}

void TJPEGImage::LoadFromStream(TStream& stream) {
    ClearData();
    source_.reset();
    // Straight into one block when the stream tells its size; else chunk by chunk.
    int64_t left = -1;
    try {
        left = stream.Size() - stream.Position();
    } catch (const Exception&) {
    }
    if (left > 0) {
        data_.SetSize(left);
        const int64_t n = stream.Read(data_.Memory(), left);
        data_.SetSize(std::max<int64_t>(n, 0));
        data_.SetPosition(data_.Size());
    }
    char buffer[65536];
    for (int64_t n; (n = stream.Read(buffer, sizeof buffer)) > 0;) data_.Write(buffer, n);

    std::exception_ptr failure;
    DecodeJob job{};
    data_.SetPosition(0);
    job.stream = &data_;
    job.failure = &failure;
    job.cap = TBitmap::MaxImageBytes();
    const JobResult result = RunDecode(&job);
    if (result != jrDone) Raise(result, job.msgCode, failure);
    for (int i = 0; i < 4; ++i) {
        header_.width[i] = job.width[i];
        header_.height[i] = job.height[i];
    }
    header_.grayscale = job.grayscale;
    header_.valid = true;
    grayscale_ = job.grayscale;
    Changed(this);
}

void TJPEGImage::RunDecodeInto(TRowsFunc rows, void* context) {
    if (!header_.valid) throw EJPEG("JPEG error #" + std::to_string(JERR_INPUT_EMPTY));
    std::exception_ptr failure;
    DecodeJob job{};
    data_.SetPosition(0);
    job.stream = &data_;
    job.failure = &failure;
    job.scaleDenom = 1 << scale_;
    job.fast = performance_ == jpBestSpeed;
    job.gray = grayscale_;
    job.cap = TBitmap::MaxImageBytes();
    job.allocate = rows;
    job.context = context;
    const JobResult result = RunDecode(&job);
    if (result != jrDone) Raise(result, job.msgCode, failure);
}

void TJPEGImage::DecodeInto(TRowsFunc rows, void* context) {
    if (source_) {
        // A bitmap taken in is given as it is.
        TBitmap copy;
        copy.Assign(source_.get());
        copy.SetPixelFormat(pf24bit);
        int64_t stride = 0;
        uint8_t* dest = rows(context, copy.Width(), copy.Height(), pf24bit, &stride);
        for (int y = 0; y < copy.Height(); ++y)
            std::memcpy(dest + stride * y, copy.ScanLine(y), static_cast<size_t>(copy.Width()) * 3);
        return;
    }
    RunDecodeInto(rows, context);
}

void TJPEGImage::Decode(TBitmap& dest) {
    RowStore store;
    RunDecodeInto(AllocateRows, &store);
    const int w = header_.width[scale_], h = header_.height[scale_];
    if (grayscale_ || header_.grayscale) {
        PALETTEENTRY grey[256];
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            grey[i] = PALETTEENTRY{v, v, v, 0};
        }
        dest.TakeImage(pf8bit, w, h, std::move(store.rows), CreatePalette(grey, 256));
    } else {
        dest.TakeImage(pf24bit, w, h, std::move(store.rows), nullptr);
    }
}

void TJPEGImage::Compress(TStream& stream) {
    // The codec reads 24-bit rows of blue, green, red.
    const TBitmap* bitmap = source_.get();
    TBitmap converted;
    if (bitmap->PixelFormat() != pf24bit && !bitmap->Empty()) {
        converted.Assign(source_.get());
        converted.SetPixelFormat(pf24bit);
        bitmap = &converted;
    }
    std::exception_ptr failure;
    CompressJob job{};
    job.stream = &stream;
    job.failure = &failure;
    job.pixels = bitmap->Empty() ? nullptr : bitmap->ScanLine(0);
    job.stride = bitmap->BytesPerLine();
    job.width = bitmap->Width();
    job.height = bitmap->Height();
    job.quality = quality_;
    job.gray = grayscale_;
    const JobResult result = RunCompress(&job);
    if (result != jrDone) Raise(result, job.msgCode, failure);
}

void TJPEGImage::SaveToStream(TStream& stream) {
    if (source_) {
        Compress(stream);
        return;
    }
    if (!data_.Bytes().empty()) stream.WriteBuffer(data_.Memory(), static_cast<int64_t>(data_.Bytes().size()));
}

const TBitmap& TJPEGImage::Bitmap() {
    if (!decoded_) {
        auto bitmap = std::make_unique<TBitmap>();
        if (source_) bitmap->Assign(source_.get());
        else if (header_.valid) Decode(*bitmap);
        decoded_ = std::move(bitmap);
    }
    return *decoded_;
}

void TJPEGImage::Assign(TPersistent* source) {
    if (source == this) return;
    if (!source) {
        ClearData();
        source_.reset();
        Changed(this);
        return;
    }
    if (auto* bitmap = dynamic_cast<TBitmap*>(source)) {
        auto copy = std::make_unique<TBitmap>();
        copy->Assign(bitmap);
        ClearData();
        source_ = std::move(copy);
        Changed(this);
        return;
    }
    if (auto* jpeg = dynamic_cast<TJPEGImage*>(source)) {
        ClearData();
        source_.reset();
        data_.Write(jpeg->data_.Memory(), static_cast<int64_t>(jpeg->data_.Bytes().size()));
        header_ = jpeg->header_;
        if (jpeg->source_) {
            source_ = std::make_unique<TBitmap>();
            source_->Assign(jpeg->source_.get());
        }
        scale_ = jpeg->scale_;
        performance_ = jpeg->performance_;
        grayscale_ = jpeg->grayscale_;
        quality_ = jpeg->quality_;
        Changed(this);
        return;
    }
    TGraphic::Assign(source);
}

void TJPEGImage::AssignTo(TPersistent* dest) {
    if (auto* bitmap = dynamic_cast<TBitmap*>(dest)) {
        if (decoded_ || source_) bitmap->Assign(const_cast<TBitmap*>(&Bitmap()));
        else if (header_.valid) Decode(*bitmap);
        else bitmap->Assign(nullptr);
        return;
    }
    TGraphic::AssignTo(dest);
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& rect) {
    if (Empty()) return;
    const TBitmap& bitmap = Bitmap();
    if (bitmap.Empty()) return;
    canvas.StretchBlt(rect, bitmap, TRect{0, 0, bitmap.Width(), bitmap.Height()});
}
