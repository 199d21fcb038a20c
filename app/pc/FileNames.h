// Names the PC browser chooses or checks: the new folder's name, the name of
// a copy that would collide, and the checks of a new name for a rename.
#pragma once

#include <QString>
#include <functional>

namespace pc {

using NameTaken = std::function<bool(const QString &name)>;

// "New Folder", else "New Folder(2)", "New Folder(3)", ...: the base name
// followed directly by the first free number in parentheses.
QString newFolderName(const QString &base, const NameTaken &taken);

// The name itself when free, else "name (2).ext", "name (3).ext", ... as
// file managers name copies. The extension is what follows the last dot;
// a name that starts with its only dot (".profile") has none.
QString collisionFreeName(const QString &name, const NameTaken &taken);

// Why a new name for an entry is refused, or None. Same: the name is the
// old one (nothing to do).
enum class RenameProblem { None, Same, Empty, Slash, DotName, Exists };
RenameProblem renameProblem(const QString &oldName, const QString &newName, const NameTaken &taken);

}  // namespace pc
