#include "state_json.h"

#include <charconv>

namespace skelvar::replay {
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
  // Shortest form that parses back to the same double.
  void Real(double v) {
    Separator();
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out_.append(buf, r.ptr);
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

void PanelJson(JsonWriter& j, std::string_view key, const Panel& p) {
  j.Key(key);
  j.Begin('{');
  j.Key("visible");
  j.Bool(p.visible);
  j.Key("left");
  j.Int(p.left);
  j.Key("top");
  j.Int(p.top);
  j.Key("width");
  j.Int(p.width);
  j.Key("height");
  j.Int(p.height);
  j.End('}');
}

}  // namespace

void WriteStateJson(const TGameMain& game, int64_t tick, std::string& out) {
  out.clear();
  JsonWriter j(out);
  const Scene& s = game.scene;
  j.Begin('{');
  j.Key("tick");
  j.Int(tick);
  j.Key("GameState");
  j.Int(game.GameState);
  j.Key("TickCount");
  j.Int(game.TickCount);
  j.Key("HitIndex");
  j.Int(game.HitIndex);
  j.Key("CameraX");
  j.Int(game.CameraX);
  j.Key("CameraY");
  j.Int(game.CameraY);
  IntArray(j, "PosX", game.PosX);
  IntArray(j, "PosY", game.PosY);
  RealArray(j, "VelX", game.VelX);
  RealArray(j, "VelY", game.VelY);
  IntArray(j, "Facing", game.Facing);
  j.Key("MouseMoved");
  j.Bool(game.MouseMoved);
  j.Key("LastMouseX");
  j.Int(game.LastMouseX);
  j.Key("KeysHeld");
  j.Begin('[');
  for (int code = 0; code < 256; ++code) {
    if (game.KeyState[code] == 1) j.Int(code);
  }
  j.End(']');
  j.Key("opacity");
  j.Int(s.window.opacity);
  j.Key("opacityEnabled");
  j.Bool(s.window.opacityEnabled);
  j.Key("closed");
  j.Bool(s.window.closed);
  PanelJson(j, "pnlMenu", s.pnlMenu);
  PanelJson(j, "pnlGame", s.pnlGame);
  j.Key("imgBack");
  j.Begin('{');
  j.Key("left");
  j.Int(s.imgBack.left);
  j.Key("top");
  j.Int(s.imgBack.top);
  j.End('}');
  j.Key("ActorImage");
  j.Begin('[');
  for (const Picture& p : s.imgEm) {
    if (p.image == ImageId::None) {
      j.Null();
    } else {
      j.String(ImageName(p.image));
    }
  }
  j.End(']');
  j.Key("imgOver");
  j.Begin('{');
  j.Key("image");
  if (s.imgOver.image == ImageId::None) {
    j.Null();
  } else {
    j.String(ImageName(s.imgOver.image));
  }
  j.Key("left");
  j.Int(s.imgOver.left);
  j.Key("top");
  j.Int(s.imgOver.top);
  j.Key("width");
  j.Int(s.imgOver.width);
  j.Key("height");
  j.Int(s.imgOver.height);
  j.End('}');
  j.Key("shpOver");
  j.Begin('{');
  j.Key("left");
  j.Int(s.shpOver.left);
  j.Key("top");
  j.Int(s.shpOver.top);
  j.Key("width");
  j.Int(s.shpOver.width);
  j.Key("height");
  j.Int(s.shpOver.height);
  j.End('}');
  j.Key("lblMsg");
  j.Begin('{');
  j.Key("text");
  j.String(s.lblMsg.text.view());
  j.Key("left");
  j.Int(s.lblMsg.left);
  j.Key("top");
  j.Int(s.lblMsg.top);
  j.Key("width");
  j.Int(s.lblMsg.width);
  j.Key("height");
  j.Int(s.lblMsg.height);
  j.End('}');
  j.End('}');
}

}  // namespace skelvar::replay
