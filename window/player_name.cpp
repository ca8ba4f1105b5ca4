#include "window/player_name.h"

#include <QtCore/QSettings>
#include <memory>

#include "best/best_games.h"

#if defined(Q_OS_UNIX)
#include <pwd.h>
#include <unistd.h>
#endif

namespace fenwing::qt {

namespace {
std::unique_ptr<QSettings> settings() {
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("fenwing"), QStringLiteral("fenwing"));
}
const QString kKey = QStringLiteral("player/name");
}  // namespace

std::string accountName() {
#if defined(Q_OS_UNIX)
    // The full name is the first field of the account's comment ("Ada Lovelace,,,").
    if (const passwd* account = getpwuid(getuid()); account && account->pw_gecos) {
        std::string full = account->pw_gecos;
        full = full.substr(0, full.find(','));
        if (!full.empty()) return best::cleanName(full);
    }
#endif
    for (const char* variable : {"USER", "USERNAME", "LOGNAME"})
        if (const QString user = qEnvironmentVariable(variable); !user.isEmpty())
            return best::cleanName(user.toStdString());
    return best::cleanName("");
}

std::string playerName() {
    const std::string given = settings()->value(kKey).toString().toStdString();
    return best::nameProblem(given).empty() ? given : accountName();
}

void keepPlayerName(const std::string& name) {
    const std::unique_ptr<QSettings> s = settings();
    s->setValue(kKey, QString::fromStdString(name));
    s->sync();
}

}  // namespace fenwing::qt
