#include "ui/ContactsImportUnit.h"

#include <QEvent>
#include <QResizeEvent>

#include "agent/CheckMessagesClass.h"
#include "agent/ContactsImportClass.h"
#include "platform/CpLiteral.h"
#include "platform/ProgramDir.h"
#include "platform/Strings.h"
#include "platform/gui/Application.h"
#include "platform/gui/Bitmaps.h"
#include "platform/gui/Dialogs.h"
#include "platform/gui/ExtControls.h"
#include "platform/gui/StdCtrls.h"
#include "storage/DataModuleUnit.h"
#include "ui/FileReadErrors.h"
#include "ui/GradientButtonControl.h"
#include "ui/NewMessageMarks.h"
#include "ui/dlMessages.h"
#include "ui_ContactsImportUnit.h"

namespace {

const char* const kServersFile = "AgentServers.xml";

std::string ServerCaption(int count) {
    std::string caption = u8"Сервер (всего "_cp;
    return caption + std::to_string(count) + u8" серверов)"_cp;
}

void ShowError(const std::string& text) {
    if (!Application) return;
    if (Application->OnException)
        Application->OnException(text);
    else
        Application->ShowException(text);
}

std::string ErrorText(const std::exception& e) {
    if (auto* ours = dynamic_cast<const Exception*>(&e)) return ours->Message();
    return e.what();
}

}  // namespace

const char* const TfrmImport::LoginFailedText =
    u8"Ошибка соединения с сервером.\n\rПовторите попытку позже или воспользуйтесь для входа другим сервером."_cp
        .c_str();
const char* const TfrmImport::LockedText = u8"Кнопка заблокирована до завершения импорта!"_cp.c_str();

void ShowUnreadableFile(const std::string& fileName, const std::string& error) {
    ShowError(FileReadErrorText(fileName, error));
}

TfrmImport::TfrmImport(QWidget* owner) : TCustomForm(owner), ui_(std::make_unique<Ui::frmImport>()) {
    ui_->setupUi(this);
    setObjectName(QStringLiteral("frmImport"));
    gbServer = ui_->gbServer;
    edServer = ui_->edServer;
    sbAddServer = ui_->sbAddServer;
    sbDeleteServer = ui_->sbDeleteServer;
    cblServer = ui_->cblServer;
    lbLogin = ui_->lbLogin;
    edLogin = ui_->edLogin;
    lbPassword = ui_->lbPassword;
    edPassword = ui_->edPassword;
    cbOnLineScan = ui_->cbOnLineScan;
    cbMessageScan = ui_->cbMessageScan;
    cbRegCode = ui_->cbRegCode;
    btnMsg = ui_->btnMsg;
    pnButtons = ui_->pnButtons;
    btnSaveSettings = ui_->btnSaveSettings;
    btnImport = ui_->btnImport;
    ProgressBar = ui_->ProgressBar;
    setFont(DefaultFont());
    // The 8-bit edits of the system hold only what code page 1251 has.
    for (TEdit* edit : {edServer, edLogin, edPassword}) edit->setValidator(new TCp1251Validator(edit));
    sbAddServer->SetGlyph(LoadBitmapResource("SERVER_ADD"));
    sbDeleteServer->SetGlyph(LoadBitmapResource("SERVER_DELETE"));
    btnSaveSettings->SetCaption(u8"Сохранить настройки"_cp);
    btnImport->SetCaption(u8"Импортировать контакты"_cp);
    btnMsg->SetCaption(u8"Проверить новые сообщения"_cp);
    btnSaveSettings->SetEnabled(false);
    btnImport->OnMouseMove = [this](TObject*, unsigned, int, int) { btnImportMouseMove(); };
    sbAddServer->OnClick = [this](TObject*) { sbAddServerClick(); };
    sbDeleteServer->OnClick = [this](TObject*) { sbDeleteServerClick(); };
    btnImport->OnClick = [this](TObject*) { btnImportClick(); };
    btnMsg->OnClick = [this](TObject*) { btnMsgClick(); };
    btnSaveSettings->OnClick = [this](TObject*) { btnSaveSettingsClick(); };
    FormCreate();
}

TfrmImport::~TfrmImport() { FormDestroy(); }

bool TfrmImport::LoadServers() {
    try {
        dmFriend->Servers->LoadFromFile(kServersFile);
        serversReadable_ = true;
    } catch (const std::exception& e) {
        serversReadable_ = false;
        ShowUnreadableFile(kServersFile, ErrorText(e));
    }
    return serversReadable_;
}

bool TfrmImport::ServersReadableNow() {
    if (serversReadable_) return true;
    // Read again: a file mended meanwhile is taken up as the list shows it.
    if (!LoadServers()) return false;
    ServerIndex->Build("URL", dmFriend->Servers.get());
    RefreshServerList("");
    return false;
}

void TfrmImport::SaveServers() { dmFriend->Servers->SaveToFile(kServersFile); }

void TfrmImport::FormCreate() {
    FolderCount = 2;
    SetColor(QColor(0xEC, 0xEC, 0xEC));

    ServerIndex = std::make_unique<TXMLTableIndex>();
    LoadServers();
    ServerIndex->Build("URL", dmFriend->Servers.get());
    TStringList keys;
    ServerIndex->FillStrings(keys);
    cblServer->Clear();
    for (int i = 0; i < keys.Count(); ++i) cblServer->Add(keys[i]);
    const int count = cblServer->Count();
    if (count > 0) {
        gbServer->SetCaption(ServerCaption(count));
        TBraskSettings& settings = *dmFriend->Settings;
        if (count == 1) {
            cblServer->SetChecked(0, true);
        } else if (Trim(settings.AgentServer).empty()) {
            cblServer->SetChecked(0, true);
        } else {
            for (int i = 0; i < count; ++i)
                if (cblServer->Items(i) == settings.AgentServer) {
                    cblServer->SetChecked(i, true);
                    break;
                }
        }
    }

    TBraskSettings& settings = *dmFriend->Settings;
    edLogin->SetText(settings.login);
    edPassword->SetText(settings.GetPassword());
    cbOnLineScan->SetChecked(settings.OnLineScan != 0);
    cbMessageScan->SetChecked(settings.MessageScan != 0);
    cbRegCode->SetChecked(settings.RegCode != 0);

    ContactsImport = std::make_unique<TContactsImportClass>();
    ContactsImport->TempFileName = ProgramDirectory() + "TmpFriends.xml";
    ContactsImport->OnComplete = [this](TObject*) { ContactsImportComplete(); };
    ContactsImport->OnProgress = [this](TObject* state) { ContactsImportProgress(state); };

    CheckMessages = std::make_unique<TCheckMessagesClass>();
    CheckMessages->TempFileName = ProgramDirectory() + "TmpMessages.xml";
    CheckMessages->OnComplete = [this](TObject*) { CheckMessagesComplete(); };

    // Wired last, so that filling the controls above is no change.
    cblServer->OnClickCheck = [this](TObject*) { cblServerClickCheck(); };
    const TNotifyEvent changed = [this](TObject*) { SettingsChenged(); };
    edLogin->OnChange = changed;
    edPassword->OnChange = changed;
    cbOnLineScan->OnClick = changed;
    cbMessageScan->OnClick = changed;
    cbRegCode->OnClick = changed;
}

void TfrmImport::FormDestroy() {
    ContactsImport.reset();
    CheckMessages.reset();
    ServerIndex.reset();
}

void TfrmImport::SetMainFormMinWidth(int value) {
    minWidth_ = value;
    FormResize();
}

void TfrmImport::RefreshServerList(const std::string& Name) {
    int remembered = -1;
    if (Name.empty())
        for (int i = 0; i < cblServer->Count(); ++i)
            if (cblServer->Checked(i)) {
                remembered = i;
                break;
            }
    TStringList keys;
    ServerIndex->FillStrings(keys);
    cblServer->Clear();
    for (int i = 0; i < keys.Count(); ++i) cblServer->Add(keys[i]);
    const int count = cblServer->Count();
    gbServer->SetCaption(ServerCaption(count));
    if (!Name.empty()) {
        const std::string wanted = UpperCase(Name);
        for (int i = 0; i < count; ++i)
            if (UpperCase(cblServer->Items(i)) == wanted) {
                cblServer->SetChecked(i, true);
                break;
            }
    } else if (count == 1) {
        cblServer->SetChecked(0, true);
    } else if (count > 1) {
        cblServer->SetChecked(remembered >= 0 && remembered < count ? remembered : 0, true);
    }
}

void TfrmImport::sbAddServerClick() {
    const std::string name = edServer->Text();
    if (Trim(name).empty()) {
        dlgMessages->ShowMessage(u8"Необходимо сначала ввести новое имя сервера!"_cp);
        return;
    }
    if (!ServersReadableNow()) return;
    if (ServerIndex->FindNode(name)) {
        dlgMessages->ShowMessage(u8"Такое имя уже есть в списке!"_cp);
        return;
    }
    ServerIndex->AddKey(name);
    SaveServers();
    RefreshServerList(name);
    SettingsChenged();
}

void TfrmImport::sbDeleteServerClick() {
    const int selected = cblServer->ItemIndex();
    if (selected < 0) {
        dlgMessages->ShowMessage(u8"Необходимо сначала выбрать строку для удаления!"_cp);
        return;
    }
    if (!ServersReadableNow()) return;
    if (cblServer->Checked(selected)) cblServer->SetChecked(selected, false);
    ServerIndex->DeleteItem(selected);
    SaveServers();
    RefreshServerList("");
    SettingsChenged();
}

void TfrmImport::cblServerClickCheck() {
    const int current = cblServer->ItemIndex();
    if (current >= 0)
        for (int i = 0; i < cblServer->Count(); ++i) cblServer->SetChecked(i, i == current);
    SettingsChenged();
}

void TfrmImport::SettingsChenged() {
    btnImport->SetEnabled(false);
    btnMsg->SetEnabled(false);
    btnSaveSettings->SetEnabled(true);
}

void TfrmImport::btnSaveSettingsClick() {
    btnImport->SetEnabled(false);
    TBraskSettings& settings = *dmFriend->Settings;
    const int count = cblServer->Count();
    if (count > 0) {
        for (int i = 0; i < count; ++i)
            if (cblServer->Checked(i)) {
                settings.AgentServer = cblServer->Items(i);
                break;
            }
        if (settings.AgentServer.empty()) settings.AgentServer = cblServer->Items(0);
    }
    settings.login = edLogin->Text();
    settings.SetPassword(edPassword->Text());
    settings.OnLineScan = cbOnLineScan->Checked() ? 1 : 0;
    settings.MessageScan = cbMessageScan->Checked() ? 1 : 0;
    settings.RegCode = cbRegCode->Checked() ? 1 : 0;
    settings.SaveToRegistry();
    if (OnSettingsSaved) OnSettingsSaved(this);
    // A running import keeps its buttons locked until its end.
    if (!running_) EnableRunButtons();
    btnSaveSettings->SetEnabled(false);
}

void TfrmImport::EnableRunButtons() {
    btnImport->SetEnabled(true);
    btnMsg->SetEnabled(true);
}

void TfrmImport::RunEnded() {
    running_ = false;
    // The end is reported and the buttons come back whatever failed before.
    try {
        if (OnImportEnd) OnImportEnd(this);
    } catch (...) {
        EnableRunButtons();
        throw;
    }
    EnableRunButtons();
}

bool TfrmImport::StartRun(const std::function<bool(TBraskSettings& settings)>& login) {
    running_ = true;
    if (OnImportStart) OnImportStart(this);
    btnImport->SetEnabled(false);
    btnMsg->SetEnabled(false);
    bool ok = false;
    try {
        ok = login(*dmFriend->Settings);
    } catch (...) {
        RunEnded();
        throw;
    }
    if (!ok) {
        ShowMessage(LoginFailedText);
        RunEnded();
    }
    return ok;
}

void TfrmImport::btnImportClick() {
    const bool started = StartRun([this](TBraskSettings& settings) {
        ContactsImport->Host = settings.AgentServer;
        ContactsImport->FullImport = cbRegCode->Checked();
        return ContactsImport->Login(settings.login, settings.GetPassword());
    });
    if (started) ContactsImport->StartImport();
}

void TfrmImport::btnMsgClick() {
    const bool started = StartRun([this](TBraskSettings& settings) {
        CheckMessages->Host = settings.AgentServer;
        return CheckMessages->Login(settings.login, settings.GetPassword());
    });
    if (started) CheckMessages->StartCheck();
}

void TfrmImport::btnImportMouseMove() {
    if (!btnImport->Enabled()) dlgMessages->ShowMessage(LockedText);
}

void TfrmImport::ContactsImportProgress(TObject* State) {
    if (auto* state = dynamic_cast<TImportStateObject*>(State)) {
        ProgressBar->SetMax(state->Total);
        ProgressBar->SetPosition(state->Current);
    }
}

void TfrmImport::ContactsImportComplete() {
    try {
        ContactsImport->Logout();
    } catch (...) {
    }
    for (int i = 0; i < FolderCount; ++i) {
        TFriend* stored = dmFriend->Folders->GetFolderTable(i);
        TFriend* imported = ContactsImport->Folders().GetFolderTable(i);
        if (!stored || !imported) continue;
        // Each folder stands alone: one that cannot be read is left as it is on disk. A folder not
        // stored tells the worker, whose box would otherwise call the import done.
        try {
            stored->Load();
        } catch (const std::exception& e) {
            ContactsImport->StoreFailed = true;
            ShowUnreadableFile(stored->FileName, ErrorText(e));
            continue;
        }
        try {
            imported->MergeByLogin(stored);
            stored->Save();
        } catch (...) {
            ContactsImport->StoreFailed = true;
            if (Application) Application->HandleException();
        }
    }
    RunEnded();
}

void TfrmImport::CheckMessagesComplete() {
    try {
        CheckMessages->Logout();
    } catch (...) {
    }
    try {
        for (int i = 0; i < FolderCount; ++i) {
            TFriend* found = CheckMessages->Folders().GetFolderTable(i);
            TFriend* stored = dmFriend->Folders->GetFolderTable(i);
            if (!found || !stored || !found->RecordNodes()) continue;
            MarkNewMessages(*stored, *found);
        }
    } catch (...) {
        RunEnded();
        throw;
    }
    RunEnded();
}

void TfrmImport::FormResize() {
    const int d = (width() - minWidth_) / 2;
    btnSaveSettings->move(d + 5, btnSaveSettings->y());
    btnImport->move(d + 141, btnImport->y());
}

void TfrmImport::PlaceControls() {
    const int w = width();
    gbServer->resize(w, gbServer->height());
    cblServer->resize(std::max(0, w - 5), cblServer->height());
    ProgressBar->setGeometry(0, height() - 16, w, 16);
    pnButtons->setGeometry(0, height() - 16 - 32, w, 32);
}

void TfrmImport::resizeEvent(QResizeEvent* event) {
    TCustomForm::resizeEvent(event);
    PlaceControls();
    GuardedCall([this] { FormResize(); });
}
