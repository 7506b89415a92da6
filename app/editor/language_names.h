// Names a person gives the LangIds ("German" for 2), kept in the settings
// and shown wherever a language is chosen or named; the files keep numbers.
#pragma once

#include <QString>
#include <cstdint>

namespace tarvo {

QString LanguageName(std::int32_t langId);  // empty when it has none
// An empty name takes the name away.
void SetLanguageName(std::int32_t langId, const QString& name);
// "2 · German", or "LangId 2" without a name.
QString LanguageLabel(std::int32_t langId);

}  // namespace tarvo
