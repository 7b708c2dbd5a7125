// The design of w_server's controls as properties: IDs unique and in their page's range, names that say
// the kind, every control inside the window or the tab, radio buttons inside their group box.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "model/control_ids.h"
#include "model/w_server_controls.h"

namespace setup {
namespace {

using ui::control_kind;

bool inside(const ui::control& c, int left, int top, int width, int height) {
  return c.x() >= left && c.y() >= top && c.x() + c.width() <= left + width && c.y() + c.height() <= top + height;
}

TEST(ControlsDesign, IdsAreUniqueAndInTheRangeOfTheirPage) {
  w_server_controls w;
  std::set<int> ids;
  for (const ui::control* c : w.all()) {
    EXPECT_TRUE(ids.insert(c->id()).second) << c->name() << " repeats ID " << c->id();
    // The window's own controls and the page containers 1001-1099, page n 1000 + 100n + 1 to + 99.
    const int page = c->kind() == control_kind::page ? 0 : c->page();
    EXPECT_GT(c->id(), 1000 + 100 * page) << c->name();
    EXPECT_LT(c->id(), 1100 + 100 * page) << c->name();
  }
  EXPECT_EQ(ids.size(), w_server_controls::count);
  EXPECT_EQ(ids::sle_sqlsetup, w.sle_sqlsetup.id());
}

TEST(ControlsDesign, EveryNameSaysItsKind) {
  const std::map<std::string, std::set<control_kind>> kinds_by_prefix = {
      {"cb_", {control_kind::button}},
      {"pb_", {control_kind::picture_button}},
      {"st_", {control_kind::label}},
      {"sle_", {control_kind::edit, control_kind::password_edit, control_kind::dropdown}},
      {"rb_", {control_kind::radio}},
      {"cbx_", {control_kind::checkbox}},
      {"gb_", {control_kind::frame}},
      {"ln_", {control_kind::line}},
      {"p_", {control_kind::picture}},
      {"tab_", {control_kind::tab}},
      {"tabpage_", {control_kind::page}},
  };
  w_server_controls w;
  for (const ui::control* c : w.all()) {
    const std::string prefix = c->name().substr(0, c->name().find('_') + 1);
    const auto kinds = kinds_by_prefix.find(prefix);
    ASSERT_NE(kinds, kinds_by_prefix.end()) << c->name();
    EXPECT_TRUE(kinds->second.count(c->kind())) << c->name();
  }
}

TEST(ControlsDesign, EveryControlLiesInsideTheWindowOrTheTabAndRadioButtonsInsideTheirGroupBox) {
  w_server_controls w;
  const std::map<int, const ui::control*> frame_of_group = {{w_server_controls::edition_group, &w.gb_4},
                                                            {w_server_controls::version_group, &w.gb_5}};
  for (const ui::control* c : w.all()) {
    if (c->kind() == control_kind::page) continue;
    if (c->page() == 0) {
      EXPECT_TRUE(inside(*c, 0, 0, w_server_width, w_server_height)) << c->name();
    } else {
      EXPECT_TRUE(inside(*c, 0, 0, w.tab_1.width(), w.tab_1.height())) << c->name() << " leaves the tab";
      EXPECT_GT(c->width(), 0) << c->name();
    }
    if (c->kind() == control_kind::radio) {
      const ui::control* frame = frame_of_group.at(c->group());
      EXPECT_EQ(c->page(), frame->page()) << c->name();
      EXPECT_TRUE(inside(*c, frame->x(), frame->y(), frame->width(), frame->height()))
          << c->name() << " outside " << frame->name();
    }
  }
  EXPECT_TRUE(inside(w.tab_1, 0, 0, w_server_width, w_server_height));
}

}  // namespace
}  // namespace setup
