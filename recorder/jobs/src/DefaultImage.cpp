#include "recorder/jobs/DefaultImage.h"

#include <map>

#include "recorder/jobs/Formatter.h"
#include "recorder/jobs/Session.h"
#include "recorder/jobs/Writer.h"
#include "src/Common.h"

namespace recorder::jobs {

bool formatAndFill(FlashIo &io, components::JobUi &ui, const std::vector<PlacedFile> &files, std::string *error) {
  auto failed = [&](std::string why) {
    if (error) *error = std::move(why);
    return false;
  };
  Session session(io, ui);
  // A chip without a file system fails the connection; it is formatted all the same.
  if (!session.connect() && !session.identify()) return failed("the recorder's chip cannot be identified");
  if (!components::applyModelChoice(components::kModelEntry, session.volume().image.modelName()))
    return failed("the model name does not fit");
  if (!Formatter(session.volume(), &session.panel()).formatNow().ok() || !session.link().indexed)
    return failed("initialising the recorder failed");

  std::map<int, std::vector<std::filesystem::path>> byFolder;
  for (const PlacedFile &p : files) {
    if (!validFolder(p.folder)) return failed("there is no recorder folder " + std::to_string(p.folder));
    byFolder[p.folder].push_back(p.file);
  }
  for (auto &[folder, paths] : byFolder) {
    Writer writer(session.volume(), &session.panel());
    Outcome written = writer.OnBtnFileToFlashClick(folder, paths);
    if (!written.ok())
      return failed("writing into folder " + folderName(folder) + " failed" +
                    (written.reason.empty() ? std::string() : ": " + written.reason));
  }
  return true;
}

}  // namespace recorder::jobs
