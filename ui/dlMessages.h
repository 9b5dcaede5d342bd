#pragma once
// The one shared message box: every question and almost every message of the system. Each call
// builds a fresh box from the framework's standard message dialog and restyles it: Russian
// captions with a glyph on every button, buttons of one size spread evenly, the message centred,
// and the application title as the caption.
#include <string_view>

#include "platform/gui/Dialogs.h"
#include "platform/gui/Forms.h"

class TdlgMessages : public TForm {
    Q_OBJECT
public:
    explicit TdlgMessages(QWidget* owner = nullptr);
    std::string ClassName() const override { return "TdlgMessages"; }

    // Width and height of every button glyph; plus 8, the least button height of a custom box.
    int GlyphSize = 16;

    // A new modal box, not yet shown; the caller frees it.
    TForm* CreateDialog(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons);
    // The custom type with the one button OK; returns the modal result.
    TModalResult ShowMessage(std::string_view message);
    TModalResult MessageDlg(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons);

    // The restyling step of CreateDialog on a standard dialog of that type.
    void Restyle(TForm* dialog, TMsgDlgType type);
};

// Created by ui::initialise before any window, freed by ui::finalise after the message loop.
extern TdlgMessages* dlgMessages;
