#include "agent/dialogs/RegCodeUnit.h"

#include "agent/SiteWorker.h"
#include "imaging/download/ImageLoader.h"
#include "platform/gui/Application.h"
#include "platform/gui/Controls.h"
#include "platform/gui/TImage.h"
#include "platform/gui/StdCtrls.h"
#include "ui_RegCodeUnit.h"

TfrmRegCode::TfrmRegCode(QWidget* owner) : TForm(owner), ui_(std::make_unique<Ui::frmRegCode>()) {
    ui_->setupUi(this);
    imgRegCode = ui_->imgRegCode;
    lbTitle = ui_->lbTitle;
    lbCode = ui_->lbCode;
    edRegCode = ui_->edRegCode;
    btnOK = ui_->btnOK;
    btnCancel = ui_->btnCancel;
    cbNextCode = ui_->cbNextCode;
    SetBorderStyle(bsDialog);
    SetClientSize(360, 146);
    SetPosition(poMainFormCenter);
    setFont(DefaultFont());
    QFont bold = DefaultFont();
    bold.setBold(true);
    lbTitle->setFont(bold);
    btnOK->OnClick = [this](TObject*) { btnOKClick(); };
    FormCreate();
}

TfrmRegCode::~TfrmRegCode() { FormDestroy(); }

std::string TfrmRegCode::CodeText() const { return edRegCode->Text(); }

void TfrmRegCode::FormCreate() {
    Loader = new TImageLoader(this);
    Loader->hide();
    PageHTML.clear();
}

void TfrmRegCode::FormDestroy() {
    delete Loader;
    Loader = nullptr;
}

void TfrmRegCode::showEvent(QShowEvent* event) {
    TForm::showEvent(event);
    GuardedCall([this] { FormShow(); });
}

void TfrmRegCode::FormShow() { LoadPicture(); }

void TfrmRegCode::LoadPicture() {
    Loader->Format = "JPEG";
    Loader->SetURL(ImageURL);
    Loader->SetActive(true);
    imgRegCode->SetPicture(&Loader->Picture());
}

void TfrmRegCode::btnOKClick() {
    if (SendCode()) {
        SetModalResult(mrOk);
        return;
    }
    SetModalResult(mrNone);
    if (RefusedPageHTML.empty()) return;
    // The site asked again: its answer is the new code page, with a new picture.
    PageHTML = RefusedPageHTML;
    FindTags().SetText(PageHTML);
    TTagList images;
    FindTags().FindTags(images, "img", &TSiteWorker::IsImageWithSrc);
    for (const THTMLTag* img : images) {
        std::string src = FindTags().GetParamValue(img, "src");
        if (src.find("reg.phtml?image=") != std::string::npos) {
            ImageURL = src;
            break;
        }
    }
    edRegCode->SetText("");
    LoadPicture();
    edRegCode->setFocus();
}

TCodeAnswer ShowRegCodeDialog(const TCodeRequest& request, TSubmit& submit) {
    TfrmRegCode dialog;
    dialog.PageURL = request.PageURL;
    dialog.ImageURL = request.ImageURL;
    dialog.Submit = &submit;
    dialog.PageHTML = request.PageHTML;
    TCodeAnswer answer;
    answer.ModalResult = dialog.ShowModal();
    answer.PageHTML = dialog.PageHTML;
    answer.Code = dialog.edRegCode->Text();
    answer.ImageURL = dialog.ImageURL;
    answer.NoMoreCodes = dialog.cbNextCode->Checked();
    return answer;
}
