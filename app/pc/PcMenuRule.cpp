#include "app/pc/PcMenuRule.h"

namespace pc {

PcMenuItems pcMenuItems(int kind, bool clipboardFlag, bool listHasItems, bool *valid) {
  if (valid) *valid = kind >= 0 && kind <= 4;
  PcMenuItems m;
  switch (kind) {
    case 0:
      m.convert = m.waveEdit = m.email = m.cutCopy = m.selectAll = m.erase = m.refresh = true;
      break;
    case 1:
      m.open = m.email = m.cutCopy = m.selectAll = m.erase = m.attributeRename = m.refresh = true;
      break;
    case 2:
      m.play = m.open = m.convert = m.waveEdit = m.email = m.speed = true;
      m.cutCopy = m.selectAll = m.erase = m.attributeRename = m.refresh = true;
      break;
    case 3:
      m.play = m.selectAll = true;
      break;
    case 4:
      m.selectAll = listHasItems;
      break;
    default:
      return {};
  }
  m.paste = clipboardFlag;
  return m;
}

bool isWavOrDvg(const QString &name) {
  return name.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) ||
         name.endsWith(QLatin1String(".dvg"), Qt::CaseInsensitive);
}

int pcMenuKind(const QStringList &selectedNames, bool playersActive) {
  if (selectedNames.size() >= 2) return 0;
  if (selectedNames.isEmpty()) return 4;
  if (isWavOrDvg(selectedNames.front())) return playersActive ? 3 : 2;
  return playersActive ? 4 : 1;
}

}  // namespace pc
