#pragma once
// Pages shown inside a panel of a host window: EmbedForm turns a form into a borderless child of
// the panel; a host creates a registered page class by name with CreateEmbeddedForm.
#include <QWidget>
#include <string_view>

#include "platform/gui/Align.h"
#include "platform/gui/Forms.h"

// Makes Form a child of Panel at (0, 0), 686 x 385, with the alignment Align (alNone keeps that
// place) and the visibility Visible; the form's AutoScroll stays as it was. The panel does not
// align its children meanwhile; an error while showing the form is absorbed.
void EmbedForm(QWidget* Panel, TCustomForm* Form, TAlign Align, bool Visible);

// The part of a host window that creates its pages. Every host (the main window, the contacts
// page) has its own guard, so a page's creation may not ask its own host for another page.
class TEmbeddingHost {
public:
    explicit TEmbeddingHost(QWidget* host) : host_(host) {}
    virtual ~TEmbeddingHost() = default;

    // Creates the page class registered under ClassName with the host as owner and embeds it
    // filling Panel. Null when the class is not registered, its constructor failed, or the host
    // is creating a page already; the panel is then left as it was. The page's activation runs
    // once the events are processed, and its active control gets the focus.
    TCustomForm* CreateEmbeddedForm(QWidget* Panel, std::string_view ClassName);

    bool CreatingForm() const { return FCreatingForm; }

protected:
    bool FCreatingForm = false;

private:
    QWidget* host_;
};
