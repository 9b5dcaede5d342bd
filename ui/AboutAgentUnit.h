#pragma once
// The about box: the program icon, its name and version, and OK.
#include <memory>

#include "platform/gui/Forms.h"

namespace Ui {
class AboutBox;
}
class TPanel;
class TImage;
class TLabel;
class TButton;

class TAboutBox : public TForm {
    Q_OBJECT
public:
    explicit TAboutBox(QWidget* owner = nullptr);
    ~TAboutBox() override;
    std::string ClassName() const override { return "TAboutBox"; }

    TPanel* Panel1;
    TImage* ProgramIcon;
    TLabel* ProductNameLabel;
    TLabel* VersionLabel;
    TButton* OKButton;

    void FormCreate();

private:
    std::unique_ptr<Ui::AboutBox> ui_;
};
