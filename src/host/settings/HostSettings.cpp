#include "host/settings/HostSettings.h"

#include "host/database/SqlText.h"

namespace fo {

std::shared_ptr<SettingsCollection> loadSettings(Connection& cn) {
    auto settings = std::make_shared<SettingsCollection>();
    auto rs = cn.execute("select name,value from sys_setting order by name");
    for (; rs && !rs->eof(); rs->moveNext())
        settings->set(rs->field(0).toText(),
                      rs->field(1).isNull() ? Value(std::string()) : Value(rs->field(1).toText()));
    return settings;
}

void setSetting(Connection& cn, const std::string& name, const std::string& value) {
    cn.execute("insert into sys_setting(name,value) values(" + sqlLiteral(name) + "," + sqlLiteral(value) +
               ") on conflict(name) do update set value=excluded.value");
}

}  // namespace fo
