#include "app/ChangedSettings.h"

#include <algorithm>
#include <array>

namespace {

using B = CAppSettingsBase;

const std::array<SettingField, 3> kNeverTaken{&B::DataUsage, &B::DataUsageReset, &B::AllDoneAction};

template <typename T>
void Store(CAppSettingsBase& live, T B::*field, const T& value)
{
    if constexpr (std::is_same_v<T, QString>)
        live.SetString(field, value);
    else if constexpr (AtomicSettingField<T>)
        SettingStore(live.*field, value);
    else
        live.*field = value;
}

} // namespace

void StoreChangedSettings(CAppSettingsBase& live, const CAppSettingsBase& before, const CAppSettingsBase& edited)
{
    for (const SettingEntry& entry : AllSettingFields()) {
        if (std::ranges::find(kNeverTaken, entry.field) != kNeverTaken.end())
            continue;
        std::visit(
            [&](auto field) {
                if (!(edited.*field == before.*field))
                    Store(live, field, edited.*field);
            },
            entry.field);
    }
}
