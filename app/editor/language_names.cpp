#include "app/editor/language_names.h"

#include <QSettings>

namespace tarvo {

namespace {

QString Key(std::int32_t langId) { return QStringLiteral("languageNames/%1").arg(langId); }

}  // namespace

QString LanguageName(std::int32_t langId) { return QSettings().value(Key(langId)).toString(); }

void SetLanguageName(std::int32_t langId, const QString& name) {
  QSettings settings;
  if (name.trimmed().isEmpty()) {
    settings.remove(Key(langId));
  } else {
    settings.setValue(Key(langId), name.trimmed());
  }
}

QString LanguageLabel(std::int32_t langId) {
  const QString name = LanguageName(langId);
  return name.isEmpty() ? QStringLiteral("LangId %1").arg(langId)
                        : QStringLiteral("%1 \u00B7 %2").arg(langId).arg(name);
}

}  // namespace tarvo
