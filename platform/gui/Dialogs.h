#pragma once
// The framework's standard message dialog: an icon by type, the message label, one push button
// per member of the button set in the set's order, and the functions built on it.
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/gui/Forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };

// A set of buttons; iteration and the dialog follow the order of TMsgDlgBtn, whatever the order
// of the members as written.
class TMsgDlgButtons {
public:
    TMsgDlgButtons() = default;
    TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
        for (TMsgDlgBtn b : buttons) Include(b);
    }
    void Include(TMsgDlgBtn b) { bits_ |= 1u << b; }
    bool Contains(TMsgDlgBtn b) const { return (bits_ >> b) & 1u; }
    bool Empty() const { return bits_ == 0; }

private:
    unsigned bits_ = 0;
};

// The component names of the dialog: "Image" (the icon, absent for mtCustom), "Message" (the
// label) and a TButton per member named "Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
// "All", "NoToAll", "YesToAll", "Help", with the English captions "&Yes", "&No", "OK", ...
// The caption is the type's name ("Warning", "Error", "Information", "Confirm") or, for mtCustom,
// the application title. The caller owns the form.
TForm* CreateMessageDialog(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons);

// Shows the standard dialog modally and returns its modal result.
TModalResult MessageDlg(std::string_view message, TMsgDlgType type, TMsgDlgButtons buttons);
// The plain message box: mtCustom with the one button OK.
void ShowMessage(std::string_view message);
