#include "panel_settings.h"

#include "form1.h"

namespace gloamery::panel {

Settings panelSettings(const Form1& form)
{
    const LiveLighting& live = form.liveLighting();
    const TextureButton texture =
        live.textureOp() == TextureOp::MakeTexture ? TextureButton::MakeTexture : TextureButton::MakeTexture2;
    const auto ws = form.workspace();
    return Settings{form.controls(), MapSize{ws->width(), ws->height()}, live.shadowMode(), texture};
}

void applyPanelSettings(Form1& form, const Settings& s)
{
    form.setControls(s.controls);
    form.liveLighting().setShadowMode(s.shadow);
    form.liveLighting().setTextureOp(s.texture == TextureButton::MakeTexture ? TextureOp::MakeTexture : TextureOp::MakeTexture2);
}

} // namespace gloamery::panel
