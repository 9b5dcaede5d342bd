#pragma once
// Helpers of the GIF codec tests: bytes from hex text or a file, an image loaded with its
// warnings recorded, and a load through the photo road's loader.
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "imaging/LinearBitmap.h"
#include "imaging/gif/GIFImage.h"
#include "imaging/gif/GIFLoader.h"

inline std::string Hex(const std::string& text) {
    std::string out;
    int nibble = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;
        if (nibble < 0) {
            nibble = v;
        } else {
            out += static_cast<char>(nibble << 4 | v);
            nibble = -1;
        }
    }
    return out;
}

// The whole file, "" when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// An image that records every warning and progress report.
struct TRecordedGif {
    TGIFImage image;
    std::vector<std::string> warnings;
    std::vector<std::string> senders;
    std::vector<std::pair<TProgressStage, int>> progress;

    TRecordedGif() {
        image.OnWarning = [this](TObject* sender, int severity, const std::string& message) {
            warnings.push_back(message);
            senders.push_back(sender ? sender->ClassName() : "nil");
            if (severity != 1) warnings.push_back("(severity " + std::to_string(severity) + ")");
        };
        image.OnProgress = [this](TObject*, TProgressStage stage, uint8_t percent, bool, const TRect&,
                                  const std::string& msg) {
            if (msg == "Loading...") progress.emplace_back(stage, percent);
        };
    }

    // The load's exception text, or "" when it loaded.
    std::string Load(const std::string& bytes) {
        TStringStream s(bytes);
        try {
            image.LoadFromStream(s);
        } catch (const Exception& e) {
            return e.Message();
        }
        return "";
    }

    std::vector<uint8_t> Pixels(int frame) {
        TGIFSubImage* f = image.Images().SubImages(frame);
        if (!f->Data()) return {};
        return std::vector<uint8_t>(f->Data(), f->Data() + f->DataSize());
    }
};

// Loads bytes through the photo road's GIF loader over a picture it already holds, with a
// transparent colour set: the loader's error ("" when it loaded), and whether the picture and
// the colour were left as they were.
struct LoadOverAPicture {
    std::string error;
    bool untouched = false;

    explicit LoadOverAPicture(const std::string& bytes) {
        TLinearBitmap picture;
        picture.New(3, 2, pf24bit);
        std::memset(picture.Map(), 0x5A, static_cast<size_t>(picture.Size()));
        const int colour = GIFLoader().TransparentColor;
        GIFLoader().TransparentColor = 12345;
        TStringStream s(bytes);
        TNorvFilterStream in(s);
        try {
            GIFLoader().LoadFromStream(in, "GIF", picture);
        } catch (const GIFException& e) {
            error = e.Message();
        }
        untouched = GIFLoader().TransparentColor == 12345 && picture.Width() == 3 && picture.Height() == 2;
        for (int i = 0; untouched && i < picture.Size(); ++i) untouched = picture.Map()[i] == 0x5A;
        GIFLoader().TransparentColor = colour;
    }
};
