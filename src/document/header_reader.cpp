// The JWW, JWS and bare-archive headers, field by field with their version gates.
#include <cstring>

#include "base/errors.h"
#include "document/reader_steps.h"

namespace kestril {
namespace {

constexpr uint32_t kColorMask = 0xFFFFFF;

template <size_t N>
void ReadU32s(Stream& s, std::array<uint32_t, N>& out, size_t count = N) {
  for (size_t i = 0; i < count; ++i) out[i] = s.ReadU32();
}

template <size_t N>
void ReadF64s(Stream& s, std::array<double, N>& out, size_t count = N) {
  for (size_t i = 0; i < count; ++i) out[i] = s.ReadF64();
}

HeaderEntry3F1U ReadEntry(Stream& s, bool withU32) {
  HeaderEntry3F1U e;
  e.a = s.ReadF64();
  e.b = s.ReadF64();
  e.c = s.ReadF64();
  if (withU32) e.u = s.ReadU32();
  return e;
}

bool SignatureIs(Stream& s, std::string& out, const char* expected) {
  char sig[8];
  s.ReadBuffer(sig, sizeof sig);
  out.assign(sig, sizeof sig);
  return std::memcmp(sig, expected, sizeof sig) == 0;
}

// Every header read starts afresh, so nothing of an earlier request's data survives.
void StartHeader(Document& doc, Stream& s, ReadState& state) {
  ResetDocument(doc);
  doc.Header = DefaultHeader();
  state = ReadState{};
  state.archiveStart = s.Size();  // a header that fails leaves no archive to walk
  s.Seek(0);
}

void EndHeader(Document& doc, Stream& s, ReadState& state) {
  doc.ObjectCount = s.ReadCount();
  state.announcedObjects = doc.ObjectCount;
  state.archiveStart = s.Position();
}

void ReadLayers(TJwwHeader& h, Stream& s) {
  const uint32_t v = h.Version;
  h.WriteGroup = s.ReadU32();
  for (int g = 0; g < kLayerGroups; ++g) {
    h.GroupState[g] = s.ReadU32();
    h.GroupWriteLayer[g] = s.ReadU32();
    h.GroupScale[g] = s.ReadF64();
    if (v >= 212) h.GroupProtect[g] = s.ReadU32();
    for (int l = 0; l < kLayers; ++l) {
      h.LayerState[g][l] = s.ReadU32();
      if (v >= 212) h.LayerProtect[g][l] = s.ReadU32();
    }
  }
  if (v >= 212) ReadU32s(s, h.Reserved1);
}

// Everything between the layer states and the pen tables.
void ReadSettings(TJwwHeader& h, Stream& s) {
  const uint32_t v = h.Version;
  if (v >= 65) {
    ReadF64s(s, h.SettingsA);
    if (v >= 202) {
      h.TextMacroFactor = s.ReadF64();
      h.SettingsB = s.ReadU32();
    }
    h.SettingsC = s.ReadU32();
    ReadF64s(s, h.SettingsD);
  }
  for (auto& group : h.LayerName) {
    for (auto& name : group) s.ReadStringInto(name);
  }
  for (auto& name : h.GroupName) s.ReadStringInto(name);
  if (v >= 200) {
    h.SettingsE[0] = s.ReadF64();
    h.SettingsE[1] = s.ReadF64();
    h.SettingsEFlag = s.ReadU32();
    h.SettingsE[2] = s.ReadF64();
    if (v >= 300) ReadF64s(s, h.SettingsF);
    h.SettingsGFlag = s.ReadU32();
    ReadF64s(s, h.SettingsG);
    const size_t entries = v >= 300 ? 10 : 4;
    for (size_t i = 0; i < entries; ++i) h.SettingsRow18[i] = ReadEntry(s, v >= 300);
    ReadF64s(s, h.SettingsH);
  }
}

// Pen colours and widths, line types, and the drawing flags, from version 201 on.
void ReadPensAndLineTypes(TJwwHeader& h, Stream& s) {
  h.CarriesPens = true;
  for (int i = 0; i <= 9; ++i) {
    h.PenColor[i] = s.ReadU32() & kColorMask;
    h.PenWidth[i] = s.ReadU32();
  }
  for (int i = 0; i <= 9; ++i) {
    h.PrintPenColor[i] = s.ReadU32() & kColorMask;
    h.PrintPenWidth[i] = s.ReadU32();
    h.PrintDotRadius[i] = s.ReadF64();
  }
  const auto dashed = [&](int n) {
    h.LinePattern[n] = s.ReadU32();
    h.LineUnit[n] = s.ReadU32();
    h.LinePitch[n] = s.ReadU32();
    h.PrintLinePitch[n] = s.ReadU32();
  };
  for (int n = 2; n <= 9; ++n) dashed(n);
  for (int n = 11; n <= 15; ++n) {
    h.LinePattern[n] = s.ReadU32();
    h.RandomWidth[n] = s.ReadU32();
    h.LinePitch[n] = s.ReadU32();
    h.PrintRandomWidth[n] = s.ReadU32();
    h.PrintLinePitch[n] = s.ReadU32();
  }
  for (int n = 16; n <= 19; ++n) dashed(n);
  if (h.Version >= 217) ReadU32s(s, h.DrawFlags);
}

// The SXF pens and line types of version 420 on.
void ReadSxfTables(TJwwHeader& h, Stream& s) {
  h.CarriesSxfTables = true;
  for (int i = 0; i < kSxfPens; ++i) {
    h.PenColor[100 + i] = s.ReadU32() & kColorMask;
    h.PenWidth[100 + i] = s.ReadU32();
  }
  for (int i = 0; i < kSxfPens; ++i) {
    s.ReadStringInto(h.SxfColorName[i]);
    h.PrintPenColor[100 + i] = s.ReadU32() & kColorMask;
    h.PrintPenWidth[100 + i] = s.ReadU32();
    h.PrintDotRadius[100 + i] = s.ReadF64();
  }
  for (int i = 0; i < kSxfLineTypes; ++i) {
    h.LinePattern[30 + i] = s.ReadU32();
    h.LineUnit[30 + i] = s.ReadU32();
    h.LinePitch[30 + i] = s.ReadU32();
    h.PrintLinePitch[30 + i] = s.ReadU32();
  }
  for (int i = 0; i < kSxfLineTypes; ++i) {
    s.ReadStringInto(h.SxfLineName[i]);
    h.SxfSegmentCount[i] = s.ReadU32();
    ReadF64s(s, h.SxfSegments[i]);
  }
}

void ReadJwwFields(TJwwHeader& h, Stream& s) {
  const uint32_t v = h.Version;
  s.ReadStringInto(h.Memo);
  h.PaperSize = s.ReadU32();
  ReadLayers(h, s);
  ReadSettings(h, s);
  if (v >= 201) ReadPensAndLineTypes(h, s);
  if (v >= 223) {
    ReadU32s(s, h.ExtraFlags);
    ReadF64s(s, h.ExtraValues);
  }
  if (v >= 225) ReadF64s(s, h.ExtraValues2);
  if (v >= 230) ReadU32s(s, h.ExtraFlags2);
  if (v >= 420) ReadSxfTables(h, s);
  for (auto& e : h.SettingsRow34) e = ReadEntry(s, true);
  h.CheckValue = s.ReadF64();
  h.SettingsI[0] = s.ReadF64();
  h.SettingsI[1] = s.ReadF64();
  h.SettingsIFlags[0] = s.ReadU32();
  h.SettingsIFlags[1] = s.ReadU32();
  h.SettingsI[2] = s.ReadF64();
  h.SettingsI[3] = s.ReadF64();
  if (v >= 214) {
    h.TextOptionMode = s.ReadU32();
    ReadF64s(s, h.TextOptionA);
    ReadF64s(s, h.TextOptionB);
  }
}

}  // namespace

bool PlausibleArchiveStart(const Document& doc, Stream& s, const ReadState& state) {
  try {
    s.Seek(state.archiveStart);
    if (s.Remaining() == 0) return true;  // cut short right after the header
    uint16_t tag = s.ReadU16();
    // Without top-level objects the definition count may come first.
    if (doc.ObjectCount == 0) {
      if (tag == 0) return true;
      if (tag < 0x7FFF) tag = s.ReadU16();
    }
    if (tag != 0xFFFF) return false;
    s.ReadU16();  // schema
    const size_t n = s.ReadU16() & 0xFF;
    std::string name(n, '\0');
    s.ReadBuffer(name.data(), n);
    return name.find("CData") != std::string::npos;
  } catch (const EReadError&) {
    return true;  // the data ends inside the first description: a cut, not a misread
  }
}

FileKind RecogniseKind(std::span<const uint8_t> head) {
  if (head.size() < kRecognitionBytes) return FileKind::None;
  if (std::memcmp(head.data(), "JwwData.", 8) == 0) return FileKind::Jww;
  if (std::memcmp(head.data(), "JwsData.", 8) == 0) return FileKind::Jws;
  if (std::memcmp(head.data() + 152, "CData", 5) == 0) return FileKind::Bare;
  return FileKind::None;
}

FileKind Recognise(Stream& stream) {
  uint8_t head[kRecognitionBytes];
  try {
    if (stream.Read(head, sizeof head) != sizeof head) return FileKind::None;
  } catch (const EReadError&) {
    return FileKind::None;
  }
  return RecogniseKind(head);
}

bool ReadJwwHeader(Document& doc, Stream& s, ReadState& state) {
  StartHeader(doc, s, state);
  TJwwHeader& h = doc.Header;
  try {
    const bool signed_ok = SignatureIs(s, h.Signature, "JwwData.");
    h.Version = s.ReadU32();
    ReadJwwFields(h, s);
    EndHeader(doc, s, state);
    return signed_ok && h.CheckValue >= 1e-7 && h.CheckValue <= 1e7;
  } catch (const EReadError&) {
    state.headerUnreadable = true;
    return false;
  }
}

bool ReadJwsHeader(Document& doc, Stream& s, ReadState& state) {
  StartHeader(doc, s, state);
  TJwwHeader& h = doc.Header;
  try {
    const bool signed_ok = SignatureIs(s, h.Signature, "JwsData.");
    h.JwsComment.resize(192);
    s.ReadBuffer(h.JwsComment.data(), h.JwsComment.size());
    h.Version = s.ReadU32();
    s.Skip(2 * 8);
    ReadF64s(s, h.GroupScale);
    s.Skip(6 * 4 + 6 * 8 + 4 * 8);
    EndHeader(doc, s, state);
    return signed_ok;
  } catch (const EReadError&) {
    state.headerUnreadable = true;
    return false;
  }
}

bool ReadBareHeader(Document& doc, Stream& s, ReadState& state) {
  StartHeader(doc, s, state);
  TJwwHeader& h = doc.Header;
  h.Version = 0;
  try {
    s.Skip(2 * 8);
    ReadF64s(s, h.GroupScale);
    EndHeader(doc, s, state);
    return true;
  } catch (const EReadError&) {
    return false;
  }
}

}  // namespace kestril
