#pragma once
// The batch tool's settings files: --settings FILE applies one where it
// stands among the arguments, --save-settings FILE writes the controls as
// they stand there, and the operation "shadow" runs the shadow operation
// last used (named by a settings file, or last run; "linear" at start),
// as the panel's live runs repeat its shadow button last used.

#include "batch_plan.h"

#include <iosfwd>
#include <optional>
#include <string>

namespace gloamery::batch {

class SettingsOptions {
public:
    // The file's values replace the controls'; a map size other than the
    // map's at this point adds a --size step (not in a world, whose size is
    // set). The reason, naming the file, when it is refused.
    std::optional<std::string> apply(const std::string& path, Controls& controls, Plan& plan);

    // The step that writes the controls as they stand at this point.
    SaveSettingsStep save(const std::string& path, const Controls& controls, const Plan& plan) const;

    // An operation was reached: a shadow or texture one is now the one last used.
    void reached(Operation op);

    // The operation "shadow" stands for now.
    std::string lastShadowName() const;

private:
    ShadowMode shadow_ = ShadowMode::Linear;
    TextureButton texture_ = TextureButton::MakeTexture;
};

// Runs a --save-settings step: kExitFileError, with a message, when the
// file cannot be written.
int runSaveSettings(const SaveSettingsStep& step, std::ostream& err);

} // namespace gloamery::batch
