#include "ui/MainAgentUnit.h"

#include <QEvent>
#include <QResizeEvent>

#include "agent/CheckMessagesClass.h"
#include "agent/OnLineFriendsUnit.h"
#include "agent/SiteWorker.h"
#include "imaging/download/ImageLoader.h"
#include "platform/CpLiteral.h"
#include "platform/ProgramDir.h"
#include "platform/Strings.h"
#include "platform/gui/ActnMan.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmaps.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/OwnInput.h"
#include "platform/gui/TTimer.h"
#include "storage/DataModuleUnit.h"
#include "ui/AboutAgentUnit.h"
#include "ui/ChatFormUnit.h"
#include "ui/ChatPersonControl.h"
#include "ui/ChatPersonListControl.h"
#include "ui/ChatTabPageControl.h"
#include "ui/ContactsImportUnit.h"
#include "ui/FileReadErrors.h"
#include "ui/NewMessageMarks.h"
#include "ui/dlMessages.h"
#include "ui_MainAgentUnit.h"
#include "web/clFindTegProperty.h"
#include "web/clSubmit.h"

TfrmMain* frmMain = nullptr;

namespace {

// The photo of a profile page: an "img" with the alternative text of a photo or of none.
bool IsPhotoImgTag(const THTMLTag* tag) {
    if (UpperCase(tag->Name) != "IMG") return false;
    static const std::string enlarge = u8"Нажмите, чтобы увеличить"_cp;
    static const std::string none = u8"Нет фотографии"_cp;
    for (const THTMLParam& p : tag->Params)
        if (p.Key == "ALT" && (p.Value == enlarge || p.Value == none)) return true;
    return false;
}

std::string GetImgSrc(const THTMLTag* tag) {
    for (const THTMLParam& p : tag->Params)
        if (p.Key == "SRC") return p.Value;
    return "";
}

}  // namespace

std::string PhotoFormat(const std::string& url) {
    std::string lower = url;
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    const size_t at = lower.find(".gif");
    return at != std::string::npos && at + 4 == lower.size() ? "GIF" : "JPEG";
}

TfrmMain::TfrmMain(QWidget* owner) : TCustomForm(owner), TEmbeddingHost(this), ui_(std::make_unique<Ui::frmMain>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("frmMain"));
    pnTabs = ui_->pnTabs;
    tpFavorites = ui_->tpFavorites;
    tpImport = ui_->tpImport;
    pnTabBody = ui_->pnTabBody;
    pnTabPersonList = ui_->pnTabPersonList;
    pnTabImport = ui_->pnTabImport;
    pnBottomBorder = ui_->pnBottomBorder;
    StatusBar = ui_->StatusBar;
    setFont(DefaultFont());
    SetCaption("Velmora Agent");
    SetClientSize(308, 594);
    setMinimumSize(MinWidth, MinHeight);

    CreateActions();
    ActionMainMenuBar = new TActionMainMenuBar(this);
    ActionMainMenuBar->setObjectName(QStringLiteral("ActionMainMenuBar"));
    ActionMainMenuBar->setFont(DefaultFont());  // standing in for "Tahoma"
    ActionMainMenuBar->AddCategory(acFiles, {acImport, acDeleteRecord, acClearFavorites, nullptr, acExit});
    ActionMainMenuBar->AddCategory(acHelp, {acAbout, acFavorites, acSettings, acAdition});
    ActionMainMenuBar->setGeometry(0, 0, width(), 24);

    for (TPanel* p : {pnTabs, pnTabBody, pnTabPersonList, pnTabImport, pnBottomBorder}) p->SetBevelOuter(bvNone);
    pnTabBody->SetColor(Qt::white);
    ActionMainMenuBar->move(0, 0);
    ::SetAlign(ActionMainMenuBar, alTop);
    pnTabs->SetAlign(alTop);
    ::SetAlign(StatusBar, alBottom);
    pnBottomBorder->SetAlign(alBottom);
    pnTabBody->SetAlign(alClient);
    pnTabPersonList->SetAlign(alClient);
    pnTabImport->SetAlign(alClient);

    tpFavorites->SetCaption(u8"Контакты"_cp);
    tpImport->SetCaption(u8"Настройки"_cp);
    tpFavorites->imgIcon->LoadFromResourceName("TAB_CONTACTS");
    tpImport->imgIcon->LoadFromResourceName("TAB_SETTINGS");
    tpFavorites->SetTabStyle(tsSelected);
    tpImport->SetTabStyle(tsNone);
    tpFavorites->OnTabClick = [this](TObject*) { SelectTab(tpFavorites); };
    tpImport->OnTabClick = [this](TObject*) { SelectTab(tpImport); };

    TimerCheckMessage = new TTimer(this);
    TimerCheckMessage->SetEnabled(false);
    TimerCheckMessage->SetInterval(90000);
    TimerCheckMessage->SetOnTimer([this](TObject*) { CheckMessageTimer(); });

    // The window's own presses: those that reach no control of it.
    ownInput_ = new TOwnInputEvents(this);
    ownInput_->OnKeyDown = [this](int) { PauseOnlineScan(); };
    ownInput_->OnKeyUp = [this](int) { ResumeOnlineScan(); };
    ownInput_->OnMouseDown = [this](Qt::MouseButton, QPoint) { PauseOnlineScan(); };
    ownInput_->OnMouseUp = [this](Qt::MouseButton, QPoint) { ResumeOnlineScan(); };

    FormCreate();
    created_ = true;
}

TfrmMain::~TfrmMain() {
    FormDestroy();
    if (frmMain == this) frmMain = nullptr;
}

void TfrmMain::CreateActions() {
    ActionManager = new TActionList(this);
    acFiles = ActionManager->Add("acFiles", u8"Файл"_cp);
    acImport = ActionManager->Add("acImport", u8"Импортировать контакты"_cp);
    acDeleteRecord = ActionManager->Add("acDeleteRecord", u8"Удалить контакт"_cp);
    acClearFavorites = ActionManager->Add("acClearFavorites", u8"Очистить Контакты"_cp);
    acExit = ActionManager->Add("acExit", u8"Выход"_cp);
    acHelp = ActionManager->Add("acHelp", u8"Справка"_cp);
    acAbout = ActionManager->Add("acAbout", u8"О программе"_cp);
    acFavorites = ActionManager->Add("acFavorites", u8"Контакты"_cp);
    acSettings = ActionManager->Add("acSettings", u8"Настройки"_cp);
    acAdition = ActionManager->Add("acAdition", u8"Дополнительно"_cp);
    for (TAction* hidden : {acFavorites, acSettings, acAdition}) hidden->SetVisible(false);
    acImport->SetImage(LoadBitmapResource("MENU_IMPORT"));
    acDeleteRecord->SetImage(LoadBitmapResource("MENU_DELETE"));
    acClearFavorites->SetImage(LoadBitmapResource("MENU_CLEAR"));
    acExit->SetImage(LoadBitmapResource("MENU_EXIT"));
    acAbout->SetImage(LoadBitmapResource("MENU_ABOUT"));
    acDeleteRecord->SetEnabled(false);
    acFiles->OnExecute = [](TObject*) {};
    acHelp->OnExecute = [](TObject*) {};
    acImport->OnExecute = [this](TObject*) { SelectTab(tpImport); };
    acFavorites->OnExecute = [this](TObject*) { SelectTab(tpFavorites); };
    acAbout->OnExecute = [this](TObject*) { acAboutExecute(); };
    acExit->OnExecute = [this](TObject*) { acExitExecute(); };
    acClearFavorites->OnExecute = [this](TObject*) { acClearFavoritesExecute(); };
    acDeleteRecord->OnExecute = [this](TObject*) { acDeleteRecordExecute(); };
}

void TfrmMain::FormCreate() {
    SetColor(QColor(212, 208, 200));
    try {
        dmFriend->Friends->FileName = "Friends.xml";
        dmFriend->Friends->Load();
    } catch (const std::exception& e) {
        // The user hears of it once; the table stays empty and the start goes on.
        const auto* ours = dynamic_cast<const Exception*>(&e);
        ReportFileReadError("Friends.xml", ours ? ours->Message() : e.what());
    }

    ChatForm = dynamic_cast<TfrmChatForm*>(CreateEmbeddedForm(pnTabPersonList, "TfrmChatForm"));
    ImportForm = dynamic_cast<TfrmImport*>(CreateEmbeddedForm(pnTabImport, "TfrmImport"));
    if (ImportForm) {
        ImportForm->OnImportEnd = [this](TObject*) { ImportEnded(); };
        ImportForm->OnImportStart = [this](TObject*) { ImportStarted(); };
        ImportForm->OnSettingsSaved = [this](TObject*) { SettingsSaved(); };
        ImportForm->SetMainFormMinWidth(MinWidth);
    }

    PhotoLoader = std::make_unique<TImageLoader>();
    PhotoLoader->hide();

    OnLineFriends = std::make_unique<TOnLineFriends>();
    OnLineFriends->OnStatus = [this](const std::string& url, int status) { OnLineFriendsStatus(url, status); };

    CheckMessages = std::make_unique<TCheckMessagesClass>();
    CheckMessages->TempFileName = ProgramDirectory() + "TmpMessages.xml";
    CheckMessages->OnComplete = [this](TObject*) { CheckMessagesComplete(); };

    if (ChatForm) {
        ChatForm->OnBeginPersonClick = [this](TObject* s) { BeginPersonClick(s); };
        ChatForm->OnEndPersonClick = [this](TObject* s) { EndPersonClick(s); };
        ChatForm->OnLoadPersonPhoto = [this](TObject* s) { LoadPersonPhoto(s); };
    }
    SelectTab(tpFavorites);
    StartOnlineScan();
    TimerCheckMessage->SetEnabled(dmFriend->Settings->MessageScan != 0);
    OnCloseQuery = [this] { return FormCloseQuery(); };
}

void TfrmMain::FormDestroy() {
    ForgetSelection();
    if (OnLineFriends) {
        StopOnlineScan();
        OnLineFriends->OnStatus = nullptr;
    }
    TimerCheckMessage->SetEnabled(false);
    CheckMessages.reset();
    OnLineFriends.reset();
    PhotoLoader.reset();
}

bool TfrmMain::FormCloseQuery() {
    try {
        return dlgMessages->MessageDlg(u8"Выйти из программы Velmora Agent?"_cp, mtInformation, {mbYes, mbNo}) == mrYes;
    } catch (...) {
        return true;  // a question that cannot be shown keeps no one in
    }
}

std::string TfrmMain::StatusText() const { return StatusBar->PanelText(0); }

void TfrmMain::SetStatus(std::string_view text) { StatusBar->SetPanelText(0, text); }

int TfrmMain::OnLineScanSetting() const { return dmFriend && dmFriend->Settings ? dmFriend->Settings->OnLineScan : 0; }

void TfrmMain::StartOnlineScan() {
    if (OnLineFriends && OnLineScanSetting() != 0 && OnLineFriends->RunState() == 0) OnLineFriends->Start();
}

void TfrmMain::PauseOnlineScan() {
    if (!OnLineFriends || OnLineScanSetting() == 0) return;
    const int state = OnLineFriends->RunState();
    if (state == 1 || state == 2) OnLineFriends->Pause();
}

void TfrmMain::ResumeOnlineScan() {
    if (OnLineFriends && OnLineScanSetting() != 0 && OnLineFriends->RunState() == 3) OnLineFriends->Resume();
}

void TfrmMain::StopOnlineScan() {
    if (OnLineFriends && OnLineFriends->RunState() != 0) OnLineFriends->Stop();
}

void TfrmMain::SelectTab(QObject* Sender) {
    PauseOnlineScan();
    if (Sender == tpFavorites) {
        tpFavorites->SetTabStyle(tsSelected);
        tpImport->SetTabStyle(tsNone);
        pnTabPersonList->SetAlign(alClient);
        pnTabImport->hide();
        pnTabPersonList->show();
        acFavorites->SetEnabled(false);
    } else {
        if (Sender == tpImport) {
            tpFavorites->SetTabStyle(tsNone);
            tpImport->SetTabStyle(tsSelected);
            pnTabPersonList->hide();
            pnTabImport->show();
            pnTabImport->SetAlign(alClient);
        }
        acFavorites->SetEnabled(true);
    }
    Realign(pnTabBody);
    ResumeOnlineScan();
}

void TfrmMain::resizeEvent(QResizeEvent* event) {
    TCustomForm::resizeEvent(event);
    if (!created_) return;
    GuardedCall([this] {
        PauseOnlineScan();
        ResumeOnlineScan();
    });
}

void TfrmMain::CheckMessageTimer() {
    PauseOnlineScan();
    if (CheckMessages->Busy) return;
    TBraskSettings& settings = *dmFriend->Settings;
    CheckMessages->Host = settings.AgentServer;
    bool ok = CheckMessages->Login(settings.login, settings.GetPassword());
    if (!ok) ok = CheckMessages->Login(settings.login, settings.GetPassword());
    if (ok) {
        CheckMessages->StartCheck();
        SetStatus(u8"Проверяются поступления новых сообщений"_cp);
    } else {
        SetStatus(u8"Ошибка соединения с сервером"_cp);
    }
}

void TfrmMain::CheckMessagesComplete() {
    try {
        CheckMessages->Logout();
    } catch (...) {
    }
    for (int i = 0; i < 2; ++i) {
        try {
            TFriend* found = CheckMessages->Folders().GetFolderTable(i);
            TFriend* stored = dmFriend->Folders->GetFolderTable(i);
            if (!found || !found->RecordNodes() || !stored) continue;
            TChatPersonList* list = PersonList(i);
            MarkNewMessages(*stored, *found, [list](const std::string& url, bool mark) {
                if (!list) return;
                if (TChatPerson* card = list->FindPersonByURL(url)) card->SetLetter(mark);
            });
        } catch (...) {
            // A mark that cannot be set leaves the screen as it was.
        }
    }
    SetStatus(u8"Завершилась проверка поступления новых сообщений"_cp);
    ResumeOnlineScan();
}

void TfrmMain::OnLineFriendsStatus(const std::string& URL, int Status) {
    if (ChatForm) ChatForm->SetPersonState(URL, Status);
}

TChatPersonList* TfrmMain::PersonList(int k) const {
    return ChatForm ? ChatForm->PersonList(k) : nullptr;
}

void TfrmMain::LoadPersonPhoto(TObject* Sender) {
    auto* card = dynamic_cast<TChatPerson*>(Sender);
    if (!card || card->PhotoLoaded) return;
    QPointer<TChatPerson> alive(card);
    try {
        TFindTags tags;
        {
            TSubmit client;
            client.SetURL(card->URL());
            std::string page;
            try {
                client.Connect();
                page = client.GetString();
            } catch (...) {
                page.clear();
            }
            client.Disconnect();
            TSiteWorker::CharsetCheck(page, tags);
        }
        TTagList images;
        tags.FindTags(images, "img", &IsPhotoImgTag);
        if (!images.empty()) {
            const std::string src = GetImgSrc(images.front());
            PhotoLoader->SetURL(src);
            if (!src.empty()) {
                PhotoLoader->Format = PhotoFormat(src);
                // Only a picture that really came is shown; a failed one leaves the card as it was.
                if (PhotoLoader->SetActive(true) && alive) card->SetPersonPicture(&PhotoLoader->Picture());
                PhotoLoader->SetActive(false);
            }
        }
    } catch (...) {
    }
    if (alive) card->PhotoLoaded = true;
}

void TfrmMain::BeginPersonClick(TObject*) { PauseOnlineScan(); }

void TfrmMain::EndPersonClick(TObject* Sender) {
    if (auto* card = dynamic_cast<TChatPerson*>(Sender))
        SetSelection(card->ChatPersonStyle() == cpFull ? card : nullptr);
    ResumeOnlineScan();
}

TChatPerson* TfrmMain::SelectedPerson() const {
    return dynamic_cast<TChatPerson*>(selected_.data());
}

void TfrmMain::SetSelection(TChatPerson* card) {
    if (selected_) selected_->removeEventFilter(this);
    selected_ = card;
    if (card) card->installEventFilter(this);
    acDeleteRecord->SetEnabled(card && card->BasketVisible());
}

void TfrmMain::ForgetSelection() {
    if (selected_) selected_->removeEventFilter(this);
    selected_ = nullptr;
    if (acDeleteRecord) acDeleteRecord->SetEnabled(false);
}

bool TfrmMain::eventFilter(QObject* watched, QEvent* event) {
    // A selected card that is hidden (deleted, or detached from a cleared list) is no selection.
    if (watched == selected_ && (event->type() == QEvent::Hide || event->type() == QEvent::ParentChange) &&
        selected_->isHidden())
        ForgetSelection();
    return TCustomForm::eventFilter(watched, event);
}

void TfrmMain::ImportStarted() {
    TimerCheckMessage->SetEnabled(false);
    StopOnlineScan();
    SetStatus(u8"Выполняется импорт контактов"_cp);
}

void TfrmMain::ImportEnded() {
    ForgetSelection();
    if (ChatForm) ChatForm->ReloadLists();
    ForgetSelection();
    SelectTab(tpFavorites);
    StartOnlineScan();
    TimerCheckMessage->SetEnabled(true);
    SetStatus(u8"Завершился импорт контактов"_cp);
}

void TfrmMain::SettingsSaved() {
    if (OnLineScanSetting() != 0)
        StartOnlineScan();
    else
        StopOnlineScan();
    // While an import runs the check stays off: its end turns it on.
    const bool importing = ImportForm && ImportForm->ImportRunning();
    TimerCheckMessage->SetEnabled(!importing && dmFriend->Settings->MessageScan != 0);
}

void TfrmMain::acAboutExecute() {
    PauseOnlineScan();
    {
        TAboutBox box(nullptr);
        box.ShowModal();
    }
    ResumeOnlineScan();
}

void TfrmMain::acExitExecute() {
    PauseOnlineScan();
    Close();
    ResumeOnlineScan();
}

void TfrmMain::acClearFavoritesExecute() {
    const std::string question = u8"Очистить \"Общая папка\" и \"Избранные пользователи\"?"_cp;
    if (dlgMessages->MessageDlg(question, mtInformation, {mbYes, mbNo}) != mrYes) return;
    ForgetSelection();
    if (ChatForm) ChatForm->ClearFavorites();
    ForgetSelection();
}

void TfrmMain::acDeleteRecordExecute() {
    QPointer<TChatPerson> card = SelectedPerson();
    if (!card) return;
    card->Delete();
    // The card is hidden or gone after a delete answered "Да": the selection goes with it.
    if (!card || card->isHidden() || card->Detached()) ForgetSelection();
}
