#pragma once
// The confirmation-code dialog: shows the picture the site asked about (downloaded and decoded as
// JPEG by an image downloader of its own), takes the typed code, and sends it through the import
// worker's session when "Передать код" is pressed (the dialog stays open while sending fails).
// After a refused code it keeps the site's new code page, shows its new picture and clears the
// edit, so that the user can try again. Ticking cbNextCode asks the import to want no more codes.
#include <memory>
#include <string>

#include "agent/AgentSeams.h"
#include "agent/RegCodeSender.h"
#include "platform/gui/Forms.h"

namespace Ui {
class frmRegCode;
}
class TImageLoader;
class TImage;
class TLabel;
class TEdit;
class TButton;
class TCheckBox;

class TfrmRegCode : public TForm, public TRegCodeSender {
    Q_OBJECT
public:
    explicit TfrmRegCode(QWidget* owner = nullptr);
    ~TfrmRegCode() override;
    std::string ClassName() const override { return "TfrmRegCode"; }

    // The code as the edit holds it.
    std::string CodeText() const override;

    TImage* imgRegCode;
    TLabel* lbTitle;
    TLabel* lbCode;
    TEdit* edRegCode;
    TButton* btnOK;
    TButton* btnCancel;
    TCheckBox* cbNextCode;

    TImageLoader* Loader = nullptr;  // owned by the dialog

    void FormCreate();
    void FormShow();
    void FormDestroy();
    void btnOKClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Downloads ImageURL as JPEG and shows it; an empty picture when that fails.
    void LoadPicture();
    std::unique_ptr<Ui::frmRegCode> ui_;
};

// The program's code prompt: the dialog, shown modally over the main window.
TCodeAnswer ShowRegCodeDialog(const TCodeRequest& request, TSubmit& submit);

// A framework TTimer with no owner, disabled, as a worker's step timer.
std::unique_ptr<IWorkerTimer> MakeFrameworkTimer();

namespace agent_dialogs {
// Makes the framework timer and the dialog the site workers' defaults.
void initialise();
}
