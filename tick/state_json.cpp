#include "tick/state_json.h"

#include <charconv>

#include "tick/shortest_double.h"

namespace skelvar::tick {
namespace {

class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}

  void Raw(std::string_view s) { out_.append(s); }
  void Key(std::string_view k) {
    Separator();
    Quoted(k);
    out_.push_back(':');
    fresh_ = true;
  }
  void Int(int64_t v) {
    Separator();
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
  }
  // Shortest form that parses back to the same double: the standard library's where it has the
  // floating-point overload, else the same text written by hand.
  void Real(double v) {
    Separator();
    char buf[ShortestDoubleMaxChars];
#if defined(__cpp_lib_to_chars)
    out_.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
#else
    out_.append(buf, WriteShortestDouble(buf, v));
#endif
  }
  void Bool(bool v) {
    Separator();
    out_.append(v ? "true" : "false");
  }
  void Null() {
    Separator();
    out_.append("null");
  }
  void String(std::string_view s) {
    Separator();
    Quoted(s);
  }
  void Begin(char c) {
    Separator();
    out_.push_back(c);
    fresh_ = true;
  }
  void End(char c) {
    out_.push_back(c);
    fresh_ = false;
  }

 private:
  void Quoted(std::string_view s) {
    out_.push_back('"');
    for (const char c : s) {
      switch (c) {
        case '"':
          out_.append("\\\"");
          break;
        case '\\':
          out_.append("\\\\");
          break;
        default:
          if (static_cast<unsigned char>(c) < 0x20) {
            static constexpr char hex[] = "0123456789abcdef";
            out_.append("\\u00");
            out_.push_back(hex[(c >> 4) & 0xF]);
            out_.push_back(hex[c & 0xF]);
          } else {
            out_.push_back(c);
          }
      }
    }
    out_.push_back('"');
  }
  void Separator() {
    if (!fresh_) out_.push_back(',');
    fresh_ = false;
  }
  std::string& out_;
  bool fresh_ = true;
};

template <typename Array>
void IntArray(JsonWriter& j, std::string_view key, const Array& a) {
  j.Key(key);
  j.Begin('[');
  for (const auto v : a) j.Int(v);
  j.End(']');
}

void RealArray(JsonWriter& j, std::string_view key, const std::array<double, ActorCount>& a) {
  j.Key(key);
  j.Begin('[');
  for (const double v : a) j.Real(v);
  j.End(']');
}

void IntField(JsonWriter& j, std::string_view key, int64_t v) {
  j.Key(key);
  j.Int(v);
}

void BoolField(JsonWriter& j, std::string_view key, bool v) {
  j.Key(key);
  j.Bool(v);
}

// The left, top, width and height of any component.
template <typename C>
void Bounds(JsonWriter& j, const C& c) {
  IntField(j, "left", c.left);
  IntField(j, "top", c.top);
  IntField(j, "width", c.width);
  IntField(j, "height", c.height);
}

void ImageField(JsonWriter& j, ImageId image) {
  if (image == ImageId::None) {
    j.Null();
  } else {
    j.String(ImageName(image));
  }
}

}  // namespace

void WriteStateJson(const TGameMain& game, int64_t tick, std::string& out) {
  out.clear();
  JsonWriter j(out);
  const Scene& s = game.scene;
  j.Begin('{');
  IntField(j, "tick", tick);
  IntField(j, "GameState", game.GameState);
  IntField(j, "TickCount", game.TickCount);
  IntField(j, "HitIndex", game.HitIndex);
  IntField(j, "CameraX", game.CameraX);
  IntField(j, "CameraY", game.CameraY);
  IntArray(j, "PosX", game.PosX);
  IntArray(j, "PosY", game.PosY);
  RealArray(j, "VelX", game.VelX);
  RealArray(j, "VelY", game.VelY);
  IntArray(j, "Facing", game.Facing);
  BoolField(j, "MouseMoved", game.MouseMoved);
  IntField(j, "LastMouseX", game.LastMouseX);
  j.Key("KeysHeld");
  j.Begin('[');
  for (int code = 0; code < 256; ++code) {
    if (game.KeyState[code] == 1) j.Int(code);
  }
  j.End(']');
  IntField(j, "opacity", s.window.opacity);
  BoolField(j, "opacityEnabled", s.window.opacityEnabled);
  BoolField(j, "closed", s.window.closed);
  for (const auto& [key, panel] : {std::pair{"pnlMenu", &s.pnlMenu}, {"pnlGame", &s.pnlGame}}) {
    j.Key(key);
    j.Begin('{');
    BoolField(j, "visible", panel->visible);
    Bounds(j, *panel);
    j.End('}');
  }
  j.Key("imgBack");
  j.Begin('{');
  IntField(j, "left", s.imgBack.left);
  IntField(j, "top", s.imgBack.top);
  j.End('}');
  j.Key("ActorImage");
  j.Begin('[');
  for (const Picture& p : s.imgEm) ImageField(j, p.image);
  j.End(']');
  j.Key("imgOver");
  j.Begin('{');
  j.Key("image");
  ImageField(j, s.imgOver.image);
  Bounds(j, s.imgOver);
  j.End('}');
  j.Key("shpOver");
  j.Begin('{');
  Bounds(j, s.shpOver);
  j.End('}');
  j.Key("lblMsg");
  j.Begin('{');
  j.Key("text");
  j.String(s.lblMsg.text.view());
  Bounds(j, s.lblMsg);
  j.End('}');
  j.End('}');
}

}  // namespace skelvar::tick
