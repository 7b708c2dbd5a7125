#include "platform/ui.h"

namespace setup::ui {

void control::set_text(std::string text) {
  design_.text = std::move(text);
  notify(change::text);
}

void control::set_visible(bool visible) {
  design_.visible = visible;
  notify(change::visible);
}

void control::set_enabled(bool enabled) {
  design_.enabled = enabled;
  notify(change::enabled);
}

void control::set_checked(bool checked) {
  design_.checked = checked;
  notify(change::checked);
  if (checked && checked_hook_) checked_hook_(*this);
}

void control::set_x(int x) {
  design_.x = x;
  notify(change::geometry);
}

void control::set_y(int y) {
  design_.y = y;
  notify(change::geometry);
}

void control::set_width(int width) {
  design_.width = width;
  notify(change::geometry);
}

void control::set_height(int height) {
  design_.height = height;
  notify(change::geometry);
}

void control::set_picture(std::string picture) {
  design_.picture = std::move(picture);
  notify(change::picture);
}

void control::set_focus() {
  notify(change::focus);
}

void control::reset_items() {
  items_.clear();
  selection_ = 0;
  notify(change::items);
}

int control::add_item(std::string item) {
  items_.push_back(std::move(item));
  notify(change::items);
  return static_cast<int>(items_.size());
}

bool control::select(int position) {
  const int count = design_.kind == control_kind::tab ? -1 : static_cast<int>(items_.size());
  if (position < 1 || (count >= 0 && position > count)) return false;
  selection_ = position;
  if (design_.kind != control_kind::tab) design_.text = items_[position - 1];
  notify(change::selection);
  return true;
}

void control::input_selection(int position) {
  if (position < 1 || position > static_cast<int>(items_.size())) return;
  selection_ = position;
  design_.text = items_[position - 1];
}

void form::set_title(std::string title) {
  title_ = std::move(title);
  if (observer_ != nullptr) observer_->title_changed();
}

void form::attach(form_observer* observer) {
  observer_ = observer;
  for (control* c : controls_) c->attach(observer);
}

namespace {

bool takes_input(const control& c) {
  return c.enabled() && c.visible();
}

void run(const std::function<void()>& handler) {
  if (handler) handler();
}

}  // namespace

void form::click(control& c) {
  if (!takes_input(c)) return;
  if (c.kind() == control_kind::radio) {
    c.set_checked(true);
  } else if (c.kind() == control_kind::checkbox) {
    c.set_checked(!c.checked());
  }
  run(c.on_click);
}

void form::modify(control& c) {
  if (takes_input(c)) run(c.on_modified);
}

void form::choose(control& c, int position) {
  if (!takes_input(c) || position < 1 || position > static_cast<int>(c.items().size())) return;
  c.input_selection(position);
  run(c.on_selection_changed);
}

void form::close() {
  if (observer_ != nullptr) {
    observer_->close_requested();
  } else {
    closing();  // no window shown: the close step still runs
  }
}

control& form::add(control& c) {
  controls_.push_back(&c);
  c.attach(observer_);
  if (c.kind() == control_kind::radio) {
    c.on_checked([this](control& checked) {
      for (control* other : controls_) {
        if (other != &checked && other->kind() == control_kind::radio && other->page() == checked.page() &&
            other->group() == checked.group() && other->checked()) {
          other->set_checked(false);
        }
      }
    });
  }
  return c;
}

}  // namespace setup::ui
