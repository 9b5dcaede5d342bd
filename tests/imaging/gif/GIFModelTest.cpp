// The GIF object tree apart from decoding: colour maps, the header, extensions read and written,
// frame bounds and pixels, palettes and ownership.
#include <gtest/gtest.h>

#include <cstring>

#include "GifTestSupport.h"
#include "platform/CpLiteral.h"
#include "support/ErrorOf.h"

namespace {

// A frame of an image, as the codec makes them.
struct TFrameRig {
    TRecordedGif gif;
    TGIFSubImage* frame;
    TFrameRig() {
        auto f = std::make_unique<TGIFSubImage>(&gif.image);
        frame = f.get();
        gif.image.Images().Add(std::move(f));
    }
    TGIFExtension* Read(const std::string& bytes) {
        TStringStream s(bytes);
        frame->Extensions().LoadFromStream(s, frame);
        return frame->Extensions().Count() ? frame->Extensions().Extensions(frame->Extensions().Count() - 1) : nullptr;
    }
};

std::string Saved(TGIFExtension& e) {
    TStringStream s;
    e.SaveToStream(s);
    return s.DataString();
}

}  // namespace

TEST(GIFColorMap, GrowsPadsAndFindsColours) {
    TRecordedGif g;
    TGIFGlobalColorMap& map = g.image.Header().ColorMap();
    std::vector<int> capacities;
    for (int i = 0; i < 256; ++i) {
        map.Add(RGB(static_cast<uint8_t>(i), 0, 0));
        if (capacities.empty() || capacities.back() != map.Capacity()) capacities.push_back(map.Capacity());
    }
    EXPECT_EQ(capacities, (std::vector<int>{16, 32, 64, 96, 128, 160, 192, 224, 256}));
    EXPECT_EQ(ErrorOf([&] { map.Add(clWhite); }), "Color table overflow");
    EXPECT_EQ(map.Count(), 256);
    EXPECT_EQ(map.BitsPerPixel(), 8);

    map.Clear();
    map.Add(RGB(1, 2, 3));
    map.Add(RGB(9, 9, 9));
    map.Add(RGB(1, 2, 3));
    EXPECT_EQ(map.IndexOf(RGB(1, 2, 3)), 2);  // from the last entry down
    map.SetOptimized(true);
    EXPECT_EQ(map.IndexOf(RGB(1, 2, 3)), 0);
    EXPECT_EQ(map.IndexOf(RGB(7, 7, 7)), -1);
    EXPECT_EQ(map.AddUnique(RGB(9, 9, 9)), 1);

    EXPECT_EQ(map.Colors(5), RGB(1, 2, 3));  // out of range: warns, gives entry 0
    EXPECT_EQ(g.warnings, std::vector<std::string>{"Invalid color index"});
    EXPECT_EQ(g.senders[0], "TGIFGlobalColorMap");

    TStringStream three;
    map.SaveToStream(three);  // 3 entries written as 4
    EXPECT_EQ(three.DataString(), Hex("010203 090909 010203 000000"));
    map.Delete(0);
    map.Delete(0);
    TStringStream one;
    map.SaveToStream(one);  // 1 entry as 2
    EXPECT_EQ(one.DataString(), Hex("010203 000000"));
    EXPECT_EQ(ErrorOf([&] { map.Delete(1); }), "Invalid color index");

    map.Clear();
    g.warnings.clear();
    EXPECT_EQ(ErrorOf([&] { map.Colors(0); }), "Color table is empty");
    EXPECT_EQ(g.warnings, std::vector<std::string>{"Invalid color index"});
    TStringStream none;
    map.SaveToStream(none);
    EXPECT_EQ(none.DataString(), "");
}

TEST(GIFColorMap, ChangesDropTheOwnersPalettes) {
    TFrameRig rig;
    PALETTEENTRY e[1] = {{1, 2, 3, 0}};
    HPALETTE local = CreatePalette(e, 1);
    rig.frame->SetPalette(local);
    EXPECT_EQ(rig.frame->Palette(), local);
    rig.frame->ColorMap().Add(clWhite);
    EXPECT_EQ(rig.frame->Palette(), nullptr);
    EXPECT_FALSE(IsPalette(local));  // deleted, not leaked

    HPALETTE global = CreatePalette(e, 1);
    rig.gif.image.SetPalette(global);
    EXPECT_EQ(rig.gif.image.Palette(), global);
    rig.gif.image.Header().ColorMap().Add(clBlack);
    EXPECT_EQ(rig.gif.image.Palette(), nullptr);
    EXPECT_FALSE(IsPalette(global));

    TGIFLocalColorMap copy(nullptr);
    copy.Assign(&rig.gif.image.Header().ColorMap());
    EXPECT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Colors(0), clBlack);
}

TEST(GIFHeader, AssignVersionAndBackground) {
    TRecordedGif a;
    ASSERT_EQ(a.Load(Hex("474946383961 0300 0200 81 02 31 000000 ffffff 102030 405060 3b")), "");
    TGIFHeader& h = a.image.Header();
    EXPECT_EQ(h.ScreenWidth, 3);
    EXPECT_EQ(h.GetBitsPerPixel(), 2);
    EXPECT_EQ(h.GetColorResolution(), 1);
    EXPECT_EQ(h.BackgroundColor(), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(h.GetVersion(), 2);  // aspect ratio set
    h.AspectRatio = 0;
    EXPECT_EQ(h.GetVersion(), 1);
    h.BackgroundColorIndex = 9;
    EXPECT_EQ(h.BackgroundColor(), clBlack);  // entry 0, with a warning
    EXPECT_EQ(a.warnings, std::vector<std::string>{"Invalid color index"});

    TGIFHeader b(nullptr);
    b.Assign(&h);
    EXPECT_EQ(b.ScreenWidth, 3);
    EXPECT_EQ(b.ScreenHeight, 2);
    EXPECT_EQ(b.PackedFields, 0x81);
    EXPECT_EQ(b.BackgroundColorIndex, 9);
    EXPECT_EQ(b.ColorMap().Count(), 4);
    EXPECT_EQ(ErrorOf([&] { b.Assign(&a.image.Images()); }), "Cannot assign TGIFImageList to TGIFHeader");
    TGIFLocalColorMap two(nullptr);
    two.Add(clWhite);
    b.Assign(&two);
    EXPECT_EQ(b.ScreenWidth, 0);
    EXPECT_EQ(b.ColorMap().Count(), 1);
}

TEST(GIFExtensions, GraphicControl) {
    TFrameRig rig;
    auto* gce = dynamic_cast<TGIFGraphicControlExtension*>(rig.Read(Hex("21 F9 04 05 0A 00 07 00 2c")));
    ASSERT_NE(gce, nullptr);
    EXPECT_TRUE(gce->Transparent());
    EXPECT_TRUE(rig.frame->Transparent);
    EXPECT_EQ(rig.frame->GraphicControlExtension, gce);
    EXPECT_EQ(gce->TransparentColorIndex(), 7);
    EXPECT_EQ(gce->Delay(), 10);
    EXPECT_EQ(gce->Disposal(), 1);
    EXPECT_FALSE(gce->UserInput());
    EXPECT_EQ(Saved(*gce), Hex("21 F9 04 05 0A 00 07 00"));
    gce->SetDisposal(0x0B);  // low three bits only
    EXPECT_EQ(gce->Disposal(), 3);
    EXPECT_TRUE(gce->Transparent());

    // Any other size, or further sub-blocks, are written back as the standard block; a short
    // block warns and keeps what came.
    TFrameRig odd;
    auto* g2 = dynamic_cast<TGIFGraphicControlExtension*>(odd.Read(Hex("21 F9 09 00 20 00 03 00 00 00 00 00 00")));
    ASSERT_NE(g2, nullptr);
    EXPECT_EQ(g2->Record.BlockSize, 9);
    EXPECT_EQ(g2->Delay(), 32);
    EXPECT_EQ(Saved(*g2), Hex("21 F9 04 00 20 00 03 00"));
    TFrameRig tail;
    auto* g4 = dynamic_cast<TGIFGraphicControlExtension*>(tail.Read(Hex("21 F9 04 01 05 00 02 02 AA BB 00")));
    ASSERT_NE(g4, nullptr);
    EXPECT_EQ(Saved(*g4), Hex("21 F9 04 01 05 00 02 00"));
    TFrameRig cut;
    auto* g3 = dynamic_cast<TGIFGraphicControlExtension*>(cut.Read(Hex("21 F9 04 01 05")));
    ASSERT_NE(g3, nullptr);
    EXPECT_EQ(g3->Delay(), 5);
    EXPECT_FALSE(cut.frame->Transparent);  // only a whole block marks the frame
    EXPECT_EQ(cut.gif.warnings, std::vector<std::string>{"Premature end of data"});

    // An index beyond the active map is refused with a warning.
    rig.gif.image.Header().ColorMap().Add(clBlack);
    rig.gif.image.Header().ColorMap().Add(clWhite);
    gce->SetTransparentColorIndex(2);
    EXPECT_EQ(gce->TransparentColorIndex(), 0);
    gce->SetTransparentColorIndex(1);
    EXPECT_EQ(gce->TransparentColorIndex(), 1);
    EXPECT_EQ(rig.gif.warnings, std::vector<std::string>{"Invalid color index"});

    // Freeing it clears the frame's reference and its transparency.
    rig.frame->Extensions().Delete(0);
    EXPECT_EQ(rig.frame->GraphicControlExtension, nullptr);
    EXPECT_FALSE(rig.frame->Transparent);
}

TEST(GIFExtensions, ApplicationBlocks) {
    const std::string loop = Hex("21 FF 0B") + "NETSCAPE2.0" + Hex("03 01 00 00 00");
    TFrameRig rig;
    auto* ns = dynamic_cast<TGIFAppExtNSLoop*>(rig.Read(loop));
    ASSERT_NE(ns, nullptr);
    EXPECT_EQ(ns->Loops, 0);
    EXPECT_EQ(Saved(*ns), loop);
    auto* anim = dynamic_cast<TGIFAppExtNSLoop*>(rig.Read(Hex("21 FF 0B") + "ANIMEXTS1.0" + Hex("03 01 05 00 05 02 00 10 00 00 00")));
    ASSERT_NE(anim, nullptr);
    EXPECT_EQ(anim->Loops, 5);
    EXPECT_EQ(anim->BufferSize, 0x1000u);
    EXPECT_EQ(Saved(*anim), Hex("21 FF 0B") + "ANIMEXTS1.0" + Hex("03 01 05 00 05 02 00 10 00 00 00"));
    EXPECT_EQ(ErrorOf([&] { rig.Read(Hex("21 FF 0B") + "NETSCAPE2.0" + Hex("02 01 05 00")); }), "Invalid GIF data");

    // An unregistered identifier keeps its sub-blocks byte for byte.
    const std::string unknown = Hex("21 FF 0B") + "XMP DataXMP" + Hex("04 de ad be ef 01 00 00");
    auto* u = dynamic_cast<TGIFUnknownAppExtension*>(rig.Read(unknown));
    ASSERT_NE(u, nullptr);
    ASSERT_EQ(u->Blocks.size(), 2u);
    EXPECT_EQ(u->Blocks[0].Size, 4);
    EXPECT_EQ(Saved(*u), unknown);

    // Size 10: the identifier's last byte stays 0. Size 12: 11 bytes read, one skipped.
    auto* ten = dynamic_cast<TGIFApplicationExtension*>(rig.Read(Hex("21 FF 0A") + "ABCDEFGHIJ" + Hex("00")));
    ASSERT_NE(ten, nullptr);
    EXPECT_EQ(std::string(ten->Identifier.begin(), ten->Identifier.end()), std::string("ABCDEFGHIJ") + '\0');
    auto* twelve = dynamic_cast<TGIFApplicationExtension*>(rig.Read(Hex("21 FF 0C") + "NETSCAPE2.0X" + Hex("01 07 00")));
    ASSERT_NE(twelve, nullptr);
    EXPECT_EQ(std::string(twelve->Identifier.begin(), twelve->Identifier.end()), "NETSCAPE2.0");
    // A block the registries cannot name further keeps its data as an unregistered one.
    auto* kept = dynamic_cast<TGIFUnknownAppExtension*>(twelve);
    ASSERT_NE(kept, nullptr);
    ASSERT_EQ(kept->Blocks.size(), 1u);
    EXPECT_EQ(kept->Blocks[0].Data, std::vector<uint8_t>{7});
    EXPECT_EQ(ErrorOf([&] { rig.Read(Hex("21 FF 09") + "ABCDEFGHI" + Hex("00")); }),
              "Unsupported Application Extension block size");

    // The second question: an unregistered block whose first sub-block is 11 bytes long is known
    // by those bytes.
    TStringStream s(Hex("FF 0B") + "UNKNOWN1.00" + Hex("0B") + "NETSCAPE2.0" + Hex("03 01 00 00 00"));
    EXPECT_EQ(TGIFExtension::FindExtension(s), TGIFAppExtNSLoop::Class());
    EXPECT_EQ(s.Position(), 0);
    TStringStream t(Hex("FF 0B") + "UNKNOWN1.00" + Hex("0B") + "UNKNOWN2.00" + Hex("00"));
    EXPECT_EQ(TGIFExtension::FindExtension(t), TGIFUnknownAppExtension::Class());
    TStringStream unreg(Hex("02 00"));
    EXPECT_EQ(TGIFExtension::FindExtension(unreg), nullptr);
}

TEST(GIFExtensions, RegistriesAnswerFromTheNewestEntry) {
    TGIFApplicationIdentifier id{};
    std::memcpy(id.data(), "MYAPPLIC1.0", 11);
    TStringStream s(Hex("FF 0B") + "MYAPPLIC1.0" + Hex("03 01 02 00 00"));
    EXPECT_EQ(TGIFExtension::FindExtension(s), TGIFUnknownAppExtension::Class());
    RegisterAppExtension(id, TGIFAppExtNSLoop::Class());
    EXPECT_EQ(TGIFExtension::FindExtension(s), TGIFAppExtNSLoop::Class());
    TFrameRig rig;
    auto* mine = dynamic_cast<TGIFAppExtNSLoop*>(rig.Read(Hex("21 FF 0B") + "MYAPPLIC1.0" + Hex("03 01 02 00 00")));
    ASSERT_NE(mine, nullptr);
    EXPECT_EQ(mine->Loops, 2);
    RegisterAppExtension(id, TGIFUnknownAppExtension::Class());  // a later entry wins
    EXPECT_EQ(TGIFExtension::FindExtension(s), TGIFUnknownAppExtension::Class());
}

TEST(GIFExtensions, TextBlocksAsLines) {
    TFrameRig rig;
    auto* c = dynamic_cast<TGIFCommentExtension*>(rig.Read(Hex("21 FE 03") + "abc" + Hex("02") + "de" + Hex("00")));
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Text.Count(), 2);
    c->Text.Clear();
    c->Text.Add(std::string(300, 'x'));
    const std::string hello = u8"Привет"_cp;
    c->Text.Add(hello);  // 8-bit bytes, not converted
    const std::string saved = Saved(*c);
    TFrameRig back;
    auto* d = dynamic_cast<TGIFCommentExtension*>(back.Read(saved));
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->Text.Count(), 3);
    EXPECT_EQ(d->Text[0].size(), 255u);
    EXPECT_EQ(d->Text[1].size(), 45u);
    EXPECT_EQ(d->Text[2], hello);

    const std::string text = Hex("21 01 0C 01 00 02 00 30 00 10 00 08 08 01 00 05") + "hello" + Hex("00");
    auto* t = dynamic_cast<TGIFTextExtension*>(rig.Read(text));
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Record.Width, 48);
    EXPECT_EQ(t->Record.CellHeight, 8);
    EXPECT_EQ(t->Text[0], "hello");
    EXPECT_EQ(Saved(*t), text);
    EXPECT_EQ(ErrorOf([&] { rig.Read(Hex("21 01 0C 01 00")); }), "Premature end of data");
    EXPECT_EQ(ErrorOf([&] { rig.Read(Hex("21 02 00")); }), "Unknown extension type");
}

TEST(GIFExtensions, BaseChecksAndDispatchLoop) {
    TFrameRig rig;
    TGIFCommentExtension c(rig.frame);
    TStringStream wrong(Hex("21 F9 00"));
    EXPECT_EQ(ErrorOf([&] { c.LoadFromStream(wrong); }), "Internal error: Extension Instance does not match Extension Label");
    TStringStream intro(Hex("2C FE 00"));
    EXPECT_EQ(ErrorOf([&] { c.LoadFromStream(intro); }), "Invalid extension introducer");
    TStringStream one(Hex("21"));
    EXPECT_EQ(ErrorOf([&] { c.LoadFromStream(one); }), "Premature end of data");
    EXPECT_EQ(c.GetVersion(), 2);

    // The list stops at the image separator and leaves it to be read again.
    TStringStream s(Hex("21 FE 01 41 00 21 F9 04 00 00 00 00 00 2C"));
    rig.frame->Extensions().LoadFromStream(s, rig.frame);
    EXPECT_EQ(rig.frame->Extensions().Count(), 2);
    EXPECT_EQ(s.Position(), 13);
    EXPECT_EQ(rig.frame->GetVersion(), 2);
    // An extension freed on its own leaves its list.
    TGIFExtension* first = rig.frame->Extensions().Extensions(0);
    EXPECT_EQ(rig.frame->Extensions().Remove(first), 0);
    delete first;
    EXPECT_EQ(rig.frame->Extensions().Count(), 1);
}

TEST(GIFSubImage, BoundsPixelsAndPalette) {
    TRecordedGif g;
    g.image.Header().ScreenWidth = 10;
    g.image.Header().ScreenHeight = 10;
    auto owned = std::make_unique<TGIFSubImage>(&g.image);
    TGIFSubImage* f = owned.get();
    g.image.Images().Add(std::move(owned));
    EXPECT_TRUE(f->Empty());
    EXPECT_EQ(f->GetVersion(), 1);
    f->SetBoundsR(2, 3, 4, 5);
    EXPECT_EQ(f->DataSize(), 20);
    EXPECT_EQ(f->BoundsRect(), Rect(2, 3, 6, 8));
    EXPECT_TRUE(g.warnings.empty());
    f->Scanline(4)[3] = 9;
    EXPECT_EQ(f->Pixels(3, 4), 9);
    f->SetBounds(3, 6);  // a new width: a new zero buffer of the new size
    EXPECT_EQ(f->DataSize(), 30);
    EXPECT_EQ(f->Pixels(3, 4), 0);
    EXPECT_EQ(f->GetBounds(3), 6);
    EXPECT_EQ(f->GetBounds(7), 0);
    f->SetBounds(7, 99);  // writes nothing
    EXPECT_EQ(ErrorOf([&] { f->Pixels(-1, 0); }), "Invalid pixel coordinates");
    EXPECT_EQ(ErrorOf([&] { f->Scanline(5); }), "Invalid pixel coordinates");

    f->SetBounds(1, 7);  // 7 + 6 > 10: the screen widens with warnings
    EXPECT_EQ(g.image.Width(), 13);
    EXPECT_EQ(g.warnings, (std::vector<std::string>{"Image width too small for contained frames",
                                                    "Image exceeds Logical Screen size"}));
    EXPECT_EQ(ErrorOf([&] { g.image.SetWidth(12); }), "Image width too small for contained frames");

    f->Clear();
    EXPECT_TRUE(f->Empty());
    EXPECT_EQ(f->Left(), 7);  // the position stays
    EXPECT_EQ(f->Width(), 0);
    EXPECT_EQ(ErrorOf([&] { f->NeedImage(); }), "Image is empty");

    // The active map: local, else global, else the empty local one.
    EXPECT_EQ(&f->ActiveColorMap(), &f->ColorMap());
    g.image.Header().ColorMap().Add(clWhite);
    EXPECT_EQ(&f->ActiveColorMap(), static_cast<TGIFColorMap*>(&g.image.Header().ColorMap()));
    f->ColorMap().Add(clBlack);
    EXPECT_EQ(&f->ActiveColorMap(), static_cast<TGIFColorMap*>(&f->ColorMap()));

    // A frame freed on its own leaves the image's list.
    g.image.Images().Remove(f);
    delete f;
    EXPECT_EQ(g.image.Images().Count(), 0);
}

TEST(GIFImage, ClearAndDefaults) {
    const uint8_t savedReduction = TGIFImage::DefaultColorReduction;
    TGIFImage::DefaultColorReduction = 7;
    TRecordedGif g;
    TGIFImage::DefaultColorReduction = savedReduction;
    EXPECT_EQ(g.image.ColorReduction, 7);
    EXPECT_EQ(g.image.DrawOptions, 0x068F);
    EXPECT_EQ(g.image.AnimationSpeed, 100);
    EXPECT_TRUE(g.image.Empty());
    ASSERT_EQ(g.Load(Hex("474946383961 0200 0100 80 00 00 000000 ffffff 2c 0000 0000 0200 0100 00 02 02 4c 01 00 3b")), "");
    EXPECT_FALSE(g.image.Empty());
    EXPECT_FALSE(g.image.IsTransparent());
    EXPECT_EQ(g.image.Width(), 2);
    g.image.Clear();
    EXPECT_TRUE(g.image.Empty());
    EXPECT_EQ(g.image.Width(), 0);
    EXPECT_EQ(g.image.Header().ColorMap().Count(), 0);
    TGraphic* graphic = &g.image;
    EXPECT_TRUE(graphic->Equals(&g.image));
    // Nothing to save: no frame asks for a version.
    EXPECT_THROW(graphic->SaveToStream(*std::make_unique<TStringStream>()), GIFException);
}
