#include "framework/Desktop.h"

#include "framework/gl/GlDirectX.h"
#include "framework/gl/GlReference.h"
#include "framework/sdl/SdlPlatform.h"

namespace {

class SdlDesktop final : public DesktopSystem {
public:
    explicit SdlDesktop(std::unique_ptr<SdlPlatform> platform) : platform_(std::move(platform)) {}
    Platform& Windows() override { return *platform_; }
    std::function<std::unique_ptr<IDirectX8>()> Graphics() override { return OpenGLDirectXFactory(*platform_); }
    std::unique_ptr<ReferenceRenderer> MakeReference(IDirect3DDevice8& device,
                                                     const std::vector<ReferenceRenderer::Batch>& batches,
                                                     std::string& error) override
    {
        return MakeGlReference(device, batches, error);
    }

private:
    std::unique_ptr<SdlPlatform> platform_;
};

} // namespace

std::unique_ptr<DesktopSystem> DesktopSystem::Start(bool showMessageBoxes, std::string& error,
                                                    MessageBoxPresenter presenter)
{
    SdlPlatformOptions options;
    options.ShowMessageBoxes = showMessageBoxes;
    options.PresentMessageBox = std::move(presenter);
    std::unique_ptr<SdlPlatform> platform = SdlPlatform::Create(options, error);
    if (!platform)
        return nullptr;
    return std::make_unique<SdlDesktop>(std::move(platform));
}
