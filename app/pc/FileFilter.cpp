#include "app/pc/FileFilter.h"

namespace pc {

NameMask::NameMask(const QString &mask) : text_(mask) {
  const QStringList parts = mask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (const QString &raw : parts) {
    QString pattern = raw.trimmed();
    if (pattern.isEmpty()) continue;
    if (pattern == QLatin1String(kEveryFile) || pattern == QLatin1String("*")) {
      patterns_.clear();
      all_ = true;
      return;
    }
    patterns_.emplace_back(QRegularExpression::wildcardToRegularExpression(pattern, QRegularExpression::DefaultWildcardConversion),
                           QRegularExpression::CaseInsensitiveOption);
    patterns_.back().optimize();
  }
  all_ = patterns_.empty();
}

bool NameMask::matches(const QString &fileName) const {
  if (all_) return true;
  for (const QRegularExpression &re : patterns_)
    if (re.match(fileName).hasMatch()) return true;
  return false;
}

FilterEnter filterEnter(const QString &fieldText, const QStringList &list) {
  FilterEnter result;
  result.list = list;
  QString text = fieldText.trimmed();
  if (text.isEmpty())
    text = QLatin1String(kEveryFile);
  else if (text.size() <= 3 && !text.startsWith(QLatin1Char('*')))
    text.prepend(QLatin1String("*."));
  if (!result.list.contains(text, Qt::CaseSensitive)) {
    result.list.append(text);
    result.added = true;
  }
  result.text = text;
  return result;
}

QString filterMask(const QString &fieldText) { return fieldText.trimmed(); }

QStringList initialFilterList() { return {"*.wav", "*.dvg", "*.mp3", QLatin1String(kEveryFile)}; }

}  // namespace pc
