#include "UiTestSupport.h"

#include "platform/Codec.h"

std::string FriendsXml(const std::vector<Rec>& records) {
    std::string x = "<Friends>";
    auto field = [&](const char* n, const std::string& v) {
        std::string escaped;
        for (char c : v) {
            if (c == '<') escaped += "&lt;";
            else if (c == '&') escaped += "&amp;";
            else escaped += c;
        }
        x += std::string("<") + n + ">" + escaped + "</" + n + ">";
    };
    for (const Rec& r : records) {
        x += "<Friend>";
        field("Name", r.name);
        field("Login", "");
        field("URL", r.url);
        field("Area", r.area);
        field("Age", r.age);
        field("VipUser", r.vip);
        field("PhotoCount", r.photos);
        field("WithVoice", r.voice);
        field("Intim", r.intim);
        field("AgeRange", "");
        field("NewMessage", r.newMessage);
        x += "</Friend>";
    }
    x += "</Friends>";
    return Cp1251ToUtf8(x);
}

void DataModuleTest::SetUp() {
    ASSERT_TRUE(registryDir.isValid());
    ASSERT_TRUE(dir.isValid());
    QSettings::setPath(static_cast<QSettings::Format>(RegistryFormat()), QSettings::UserScope, registryDir.path());
    SetProgramDirectory(dir.path().toStdString() + "/");
    ForgetFileReadErrors();
    dm = std::make_unique<TdmFriend>();
}

void DataModuleTest::TearDown() {
    dm.reset();
    SetProgramDirectory("");
}

void DataModuleTest::WriteFile(const std::string& name, const std::string& bytes) const {
    QFile f(QString::fromStdString(Path(name)));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string DataModuleTest::ReadFile(const std::string& name) const {
    QFile f(QString::fromStdString(Path(name)));
    if (!f.open(QIODevice::ReadOnly)) return "(missing)";
    return f.readAll().toStdString();
}
