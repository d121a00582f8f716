#pragma once
// Captions that fit their controls on any machine. The window is laid out in fixed pixels for a
// narrow sans-serif face; where the face the machine resolves is wider, a caption that does not
// fit its control at the control's own font size gets a smaller size, a pixel at a time, until it
// fits. Room is measured with the style's own margins, frames and indicator sizes.
class QWidget;

namespace captionfit {

// Fits one label, push button, radio button, check box, group box title or tab bar (all tabs of
// a bar share one size). A control goes back to its own size once its caption fits it again.
void fitCaption(QWidget* control);
// Fits every such control under root (root included).
void fitCaptions(QWidget* root);

}  // namespace captionfit
