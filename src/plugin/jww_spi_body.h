// The plug-in body for Jw_cad data: recognition of JWW drawings, JWS data and bare
// object archives, their picture size, and the picture and preview procedure.
#pragma once

#include <functional>
#include <memory>

#include "document/document.h"
#include "document/reader.h"
#include "graphics/canvas/canvas.h"
#include "graphics/image/image_cache.h"
#include "graphics/view.h"
#include "platform/settings_store.h"
#include "plugin/in_spi_body.h"
#include "plugin/plugin_settings.h"
#include "render/render_options.h"

namespace kestril {

// The picture drawn on: the platform's raster canvas unless a test supplies another.
using CanvasFactory =
    std::function<std::unique_ptr<RasterCanvas>(int32_t width, int32_t height, RowBand band)>;
// The options dialog: shows itself owned by parent and edits `working`, a copy of the
// settings, calling publish() whenever its changes are to take effect; answers true
// when it closed with every value stored in `working`.
using OptionsDialog = std::function<bool(void* parent, PluginSettings& working,
                                         const std::function<void()>& publish)>;
// Runs f while every other call into the library waits for its turn.
using TurnTaker = std::function<void(const std::function<void()>& f)>;

class TJwwSPIBody final : public TInSPIBody {
 public:
  // store: where Jw_cad's own settings are read (and the plug-in's saved); may be null.
  TJwwSPIBody(PluginSettings settings, std::unique_ptr<SettingsStore> store);

  bool IsSupported(Stream& stream, std::string_view fileName) override;
  int32_t GetPictureInfo(Stream& stream, PictureInfo& info, std::string& text) override;
  int32_t GetPicture(Stream& stream, std::span<uint8_t> header, TDIBSection& dib) override;
  int32_t GetPreview(Stream& stream, std::span<uint8_t> header, TDIBSection& dib) override;
  // Shows the options dialog, when the platform has one, and writes the settings as soon
  // as it closes, so that a host that never unloads the library loses nothing. 0. The
  // dialog takes a turn only to read or change the settings: it stays open as long as
  // its user likes, and other threads' calls must not wait for it.
  int32_t ConfigurationDlg(void* parent, int32_t function) override;

  // The steps of the picture procedure, in order, for the procedure itself and for
  // measuring them one by one.
  // Recognises the data from position 0 and reads it: 0, or 2 (not recognised) or 8
  // (not read). LastRead() tells whether the drawing was complete.
  int32_t ReadRequest(Stream& stream);
  // A picture of width x height with the drawing fitted to it; nullptr for an empty
  // picture, which has nothing to draw on. Raises Error for a negative size.
  // With a band, only those rows of the picture are drawn (on a canvas holding just
  // them), as they are in the whole picture; the bands of one picture share `images`,
  // so each image is decoded once for all of them (without it, once per call).
  std::unique_ptr<RasterCanvas> RenderPicture(int32_t width, int32_t height, bool preview,
                                              RowBand band = {}, ImageCache* images = nullptr);
  // Draws the picture (or preview) of the data read last on a canvas of any kind: the
  // drawing fitted to the canvas's size, or mapped by `view` when one is given.
  void DrawPicture(Canvas& canvas, bool preview, const TViewTransform* view = nullptr,
                   ImageCache* images = nullptr);
  // The size of the picture, or of the preview, of the data last recognised.
  int32_t PictureWidth(bool preview) const;
  int32_t PictureHeight(bool preview) const;
  // Writes the BITMAPINFOHEADER into the host's header and the BMP pixel rows into a
  // freshly allocated pixel block.
  static void Deliver(const RasterCanvas* canvas, int32_t width, int32_t height,
                      std::span<uint8_t> header, TDIBSection& dib);

  PluginSettings& Settings() { return settings_; }
  const PluginSettings& Settings() const { return settings_; }
  SettingsStore* Store() const { return store_.get(); }
  const Document& Doc() const { return doc_; }
  const TViewTransform& View() const { return view_; }
  const RenderOptions& Options() const { return options_; }
  const ReadResult& LastRead() const { return lastRead_; }
  FileKind Kind() const { return fileKind_; }
  int32_t OutputWidth() const { return outputWidth_; }
  int32_t OutputHeight() const { return outputHeight_; }
  void SetCanvasFactory(CanvasFactory factory) { canvasFactory_ = std::move(factory); }
  void SetOptionsDialog(OptionsDialog dialog) { optionsDialog_ = std::move(dialog); }
  void SetTurnTaker(TurnTaker turns) { turnTaker_ = std::move(turns); }

 private:
  bool Recognise(Stream& stream);
  ReaderEnvironment Environment() const;
  int32_t RenderRequest(Stream& stream, std::span<uint8_t> header, TDIBSection& dib, bool preview);

  PluginSettings settings_;
  std::unique_ptr<SettingsStore> store_;
  std::string hostFolder_;
  CanvasFactory canvasFactory_;
  OptionsDialog optionsDialog_;
  TurnTaker turnTaker_;

  // What the most recent request left behind: the next one starts from it.
  Document doc_;
  TViewTransform view_;
  RenderOptions options_;
  ReadResult lastRead_;
  FileKind fileKind_ = FileKind::None;
  int32_t outputWidth_ = 0;
  int32_t outputHeight_ = 0;
};

}  // namespace kestril
