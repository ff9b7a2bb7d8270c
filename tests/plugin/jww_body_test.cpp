// The JWW body's procedure seen from inside: the view it fits, the picture it asks
// for, the options drawing reads, and what survives from one request to the next.
#include <gtest/gtest.h>

#include "base/errors.h"
#include "plugin/jww_spi_body.h"
#include "support/jww_writer.h"

namespace kestril {
namespace {

using namespace kestril::testing;

std::vector<uint8_t> JwwWithLine(TaPoint2D a, TaPoint2D b) {
  ArchiveWriter w(700);
  w.Line(Line(a, b));
  w.End();
  return BuildJww(TestHeader(700), w);
}

std::vector<uint8_t> JwsWithPoint() {
  ArchiveWriter w(700);
  w.Point(Dot({5, 5}));
  w.End();
  return BuildJws(w);
}

class JwwBodyTest : public ::testing::Test {
 protected:
  explicit JwwBodyTest(PluginSettings settings = {}) {
    settings.UpdateDerivedSizes();
    body_ = std::make_unique<TJwwSPIBody>(settings, std::make_unique<MemorySettingsStore>());
    body_->SetCanvasFactory([this](int32_t w, int32_t h, RowBand) {
      canvases_.emplace_back(w, h);
      return CreateRasterCanvas(w, h);
    });
  }

  // Runs a request through the frame, as the exports do; answers the code and frees
  // what was handed over.
  int32_t Request(const std::vector<uint8_t>& bytes, PictureMode mode = PictureMode::Picture) {
    LocalHandle header, pixels;
    const int32_t r = SpiGetPictureCommon(*body_, reinterpret_cast<const char*>(bytes.data()),
                                          static_cast<intptr_t>(bytes.size()), 1, &header, &pixels,
                                          nullptr, 0, mode);
    LocalFreeBlock(header);
    LocalFreeBlock(pixels);
    return r;
  }

  std::unique_ptr<TJwwSPIBody> body_;
  std::vector<std::pair<int32_t, int32_t>> canvases_;
};

TEST_F(JwwBodyTest, DrawingIsFittedWithoutCentring) {
  ASSERT_EQ(Request(JwwWithLine({0, 0}, {100, 50})), 0);
  const TViewTransform& v = body_->View();
  EXPECT_EQ(v.Scale, 8);  // the smaller of 800/100 and 600/50
  EXPECT_EQ(v.YAxisFactor, -1);
  EXPECT_EQ(v.ViewMin.x, 0);
  EXPECT_EQ(v.ViewMax.y, 50);
  EXPECT_EQ(canvases_, (std::vector<std::pair<int32_t, int32_t>>{{800, 600}}));
  ASSERT_EQ(Request(JwwWithLine({0, 0}, {100, 50}), PictureMode::Preview), 0);
  EXPECT_DOUBLE_EQ(body_->View().Scale, 1.6);  // 160 x 120
  EXPECT_EQ(canvases_.back(), std::make_pair(160, 120));
}

TEST_F(JwwBodyTest, ADrawingWithoutExtentLooksTheSameWhateverCameBefore) {
  ASSERT_EQ(Request(JwsWithPoint()), 0);
  const TViewTransform first = body_->View();
  ASSERT_EQ(Request(JwwWithLine({10, 10}, {110, 60})), 0);
  ASSERT_EQ(Request(JwsWithPoint()), 0);
  EXPECT_EQ(body_->View().Scale, first.Scale);
  EXPECT_EQ(body_->View().ViewMin.x, first.ViewMin.x);
  EXPECT_EQ(body_->View().ViewMax.y, first.ViewMax.y);
  EXPECT_GT(first.Scale, 0);
}

TEST_F(JwwBodyTest, PreviewModeLastsForTheDrawingOnly) {
  body_->SetCanvasFactory([](int32_t, int32_t, RowBand) -> std::unique_ptr<RasterCanvas> {
    throw EOutOfResources("no bitmap");
  });
  LocalHandle header = nullptr, pixels = nullptr;
  const std::vector<uint8_t> bytes = JwsWithPoint();
  EXPECT_EQ(SpiGetPictureCommon(*body_, reinterpret_cast<const char*>(bytes.data()),
                                static_cast<intptr_t>(bytes.size()), 1, &header, &pixels, nullptr,
                                0, PictureMode::Preview),
            4);
  EXPECT_EQ(header, nullptr);
  EXPECT_EQ(pixels, nullptr);
  EXPECT_FALSE(body_->Options().PreviewMode);
}

TEST_F(JwwBodyTest, DataWithoutPenTableTakesTheUsersColours) {
  body_->Settings().PenColors[0] = 0x0A0B0C;
  body_->Settings().PenColors[9] = 0xFF123456;  // only the colour's low 24 bits count
  ASSERT_EQ(Request(JwsWithPoint()), 0);
  EXPECT_EQ(body_->Doc().Header.PenColor[0], 0x0A0B0Cu);
  EXPECT_EQ(body_->Doc().Header.PenColor[9], 0x123456u);
  TJwwHeader own = TestHeader(700);
  own.PenColor[0] = 0x010203;
  ArchiveWriter w(700);
  w.End();
  ASSERT_EQ(Request(BuildJww(own, w)), 0);
  EXPECT_EQ(body_->Doc().Header.PenColor[0], 0x010203u);
}

TEST_F(JwwBodyTest, SettingsFlagsReachTheDrawing) {
  PluginSettings& s = body_->Settings();
  s.hoji = true;
  s.BwColor = true;
  s.BwGrey = false;
  ASSERT_EQ(Request(JwsWithPoint()), 0);
  EXPECT_TRUE(body_->Options().hoji);
  EXPECT_TRUE(body_->Options().BwColor);
  EXPECT_FALSE(body_->Options().BwGrey);
}

TEST_F(JwwBodyTest, EmptyPictureNeedsNoCanvas) {
  body_->Settings().PreviewHeight = 0;
  body_->Settings().UpdateDerivedSizes();
  ASSERT_EQ(Request(JwsWithPoint(), PictureMode::Preview), 0);
  EXPECT_TRUE(canvases_.empty());
}

TEST_F(JwwBodyTest, PictureStartsFromTheDataWhereverTheStreamStands) {
  const std::vector<uint8_t> bytes = JwsWithPoint();
  MemoryStream s = MemoryStream::View(bytes);
  s.Seek(10);
  PictureInfo info;
  std::string text;
  EXPECT_EQ(body_->GetPictureInfo(s, info, text), 2);  // recognition where it stands
  s.Seek(10);
  std::vector<uint8_t> header(kHeaderBlockSize);
  TDIBSection dib;
  EXPECT_EQ(body_->GetPicture(s, header, dib), 0);  // the picture from the start
  EXPECT_EQ(body_->Kind(), FileKind::Jws);
  EXPECT_EQ(body_->OutputWidth(), 640);
}

TEST_F(JwwBodyTest, DialogPublishesInTurnsAndTheSettingsAreWrittenWhenItCloses) {
  auto& store = static_cast<MemorySettingsStore&>(*body_->Store());
  int turns = 0;
  body_->SetTurnTaker([&](const std::function<void()>& f) {
    ++turns;
    f();
  });
  const std::vector<uint8_t> jws = JwsWithPoint();
  auto width = [&] {
    MemoryStream stream = MemoryStream::View(jws);
    PictureInfo info;
    std::string text;
    return body_->GetPictureInfo(stream, info, text) == 0 ? info.width : -1;
  };
  void* seenParent = nullptr;
  bool closes = false;
  body_->SetOptionsDialog(
      [&](void* parent, PluginSettings& s, const std::function<void()>& publish) {
        seenParent = parent;
        s.BwColor = true;
        publish();  // takes effect at once
        EXPECT_TRUE(body_->Settings().BwColor);
        s.jwzWidth = 320;  // takes effect at close
        EXPECT_EQ(width(), 640);
        return closes;
      });
  int owner = 0;
  // Not shown (or another one open): what was published stays, nothing is written.
  EXPECT_EQ(body_->ConfigurationDlg(&owner, 0), 0);
  EXPECT_EQ(seenParent, &owner);
  EXPECT_EQ(turns, 2);  // reading the settings, publishing
  EXPECT_EQ(width(), 640);
  EXPECT_FALSE(store.HasKey(kSettingsKey));
  closes = true;
  body_->Settings().BwColor = false;
  EXPECT_EQ(body_->ConfigurationDlg(&owner, 1), 0);
  EXPECT_EQ(turns, 5);
  ASSERT_TRUE(store.HasKey(kSettingsKey));
  EXPECT_EQ(store.Key(kSettingsKey).at("jwzWidth"), MemorySettingsStore::Value(uint32_t{320}));
  EXPECT_EQ(store.Key(kSettingsKey).count("PenColor10"), 1u);
  EXPECT_EQ(width(), 320);  // and the next request uses them
}

}  // namespace
}  // namespace kestril
