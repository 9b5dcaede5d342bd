/* Expected data of a GIF file as giflib reads it (DGifSlurp): one line per fact, for the
   codec's golden corpus test. Built and run by make_corpus.sh. */
#include <gif_lib.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

static void hex(const unsigned char *p, long n) {
    for (long i = 0; i < n; ++i) printf("%02x", p[i]);
}

static void colors(const char *name, const ColorMapObject *m) {
    if (!m) {
        printf("%s 0\n", name);
        return;
    }
    printf("%s %d ", name, m->ColorCount);
    for (int i = 0; i < m->ColorCount; ++i)
        printf("%02x%02x%02x", m->Colors[i].Red, m->Colors[i].Green, m->Colors[i].Blue);
    printf("\n");
}

static void extensions(int count, const ExtensionBlock *b) {
    for (int i = 0; i < count; ++i) {
        if (b[i].Function == GRAPHICS_EXT_FUNC_CODE) {
            GraphicsControlBlock g;
            DGifExtensionToGCB(b[i].ByteCount, b[i].Bytes, &g);
            printf("gce %d %d %d\n", g.DisposalMode, g.DelayTime, g.TransparentColor);
        } else if (b[i].Function == APPLICATION_EXT_FUNC_CODE && b[i].ByteCount == 11) {
            printf("app %.11s\n", (const char *)b[i].Bytes);
            if (i + 1 < count && b[i + 1].Function == CONTINUE_EXT_FUNC_CODE && b[i + 1].ByteCount >= 3 &&
                b[i + 1].Bytes[0] == 1)
                printf("loop %d\n", b[i + 1].Bytes[1] | b[i + 1].Bytes[2] << 8);
        } else if (b[i].Function == COMMENT_EXT_FUNC_CODE) {
            /* One comment's later sub-blocks follow as continuation blocks. */
            printf("comment ");
            hex(b[i].Bytes, b[i].ByteCount);
            while (i + 1 < count && b[i + 1].Function == CONTINUE_EXT_FUNC_CODE) {
                ++i;
                hex(b[i].Bytes, b[i].ByteCount);
            }
            printf("\n");
        }
    }
}

int main(int argc, char **argv) {
    int err = 0;
    GifFileType *gif = DGifOpenFileName(argv[1], &err);
    if (!gif || DGifSlurp(gif) != GIF_OK) {
        fprintf(stderr, "%s: giflib cannot read it\n", argv[1]);
        return 1;
    }
    printf("screen %d %d %d\n", gif->SWidth, gif->SHeight, gif->SBackGroundColor);
    colors("global", gif->SColorMap);
    printf("frames %d\n", gif->ImageCount);
    for (int f = 0; f < gif->ImageCount; ++f) {
        const SavedImage *s = &gif->SavedImages[f];
        const GifImageDesc *d = &s->ImageDesc;
        printf("frame %d %d %d %d %d %d\n", f, d->Left, d->Top, d->Width, d->Height, d->Interlace ? 1 : 0);
        colors("local", d->ColorMap);
        extensions(s->ExtensionBlockCount, s->ExtensionBlocks);
        const long n = (long)d->Width * d->Height;
        if (n <= 1024) {
            printf("pixels ");
            hex(s->RasterBits, n);
            printf("\n");
        } else {
            uint64_t h = 1469598103934665603ULL; /* FNV-1a */
            for (long i = 0; i < n; ++i) h = (h ^ s->RasterBits[i]) * 1099511628211ULL;
            printf("hash %016llx\n", (unsigned long long)h);
        }
    }
    DGifCloseFile(gif, &err);
    return 0;
}
