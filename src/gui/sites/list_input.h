// The list buttons of the panel: each keeps a list setting in its tag and edits it in a text input.
#pragma once

class QPushButton;
class QWidget;

namespace kc::gui {

struct MainControls;

// Wires the seven list buttons. A click opens a multi-line input on the button's tag; OK puts the text back.
void ConnectListButtons(MainControls& controls, QWidget* owner);

// The click of one list button (tail-block mode edits the path list instead).
void EditListButton(MainControls& controls, QPushButton* button, QWidget* owner);

} // namespace kc::gui
