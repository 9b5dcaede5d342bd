#include "AgentTestSupport.h"

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string FixturePath(const std::string& name) { return std::string(VA_TEST_DATA_DIR) + "/agent/" + name; }

site::Contact MakeContact(const std::string& login, const std::string& name, const std::string& age,
                          const std::string& area) {
    site::Contact c;
    c.login = login;
    c.name = name;
    c.age = age;
    c.area = area;
    return c;
}

void AgentTest::SetUp() {
    ASSERT_TRUE(configDir.isValid());
    QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, configDir.path());
    dm = std::make_unique<TdmFriend>();
}

void AgentTest::TearDown() {
    rig.worker.reset();
    if (server) server->Stop();
    dm.reset();
}

void AgentTest::StartSite() {
    server = std::make_unique<site::StandInSite>(state);
    server->SetRequestHook([this](const site::LoggedRequest&) {
        if (rig.timer) rig.timer->Probe();
    });
    server->Start();
    dm->Settings->AgentServer = server->Host();
    rig.Make();
    rig.worker->Host = server->Host();
}

bool AgentTest::LogIn() { return rig.worker->Login(state.login, state.password); }

int AgentTest::Import() {
    if (!LogIn()) return -1;
    rig.worker->StartImport();
    return rig.RunToEnd();
}

std::vector<std::string> AgentTest::Rows(TFriend& table) {
    static const char* fields[] = {"Name", "Login", "URL", "Area", "Age", "VipUser",
                                   "PhotoCount", "WithVoice", "Intim", "AgeRange", "NewMessage"};
    std::vector<std::string> out;
    for (int i = 1; i <= table.RecordCount(); ++i) {
        table.SetRecNo(i);
        std::string row;
        for (const char* f : fields) {
            if (!row.empty() || f != fields[0]) row += "|";
            row += table.GetFieldText(f);
        }
        out.push_back(row);
    }
    return out;
}
