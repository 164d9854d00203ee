#pragma once
// The visual classes' part of the application: the window layer started
// from TApplication::Initialize, the loop's waiting done by the window
// layer's event dispatcher, modal loops that run the whole application loop,
// window procedures' exceptions reported by the application, message boxes
// as real dialogs, the main form shown when Run starts.
class TCustomForm;

namespace visual {

// Installs the visual application once the window layer is started (by
// Initialize, or by a test that started it itself). Forms call it.
void EnsureVisualApplication();
// Frees the form from the loop once the current message is handled.
void ReleaseLater(TCustomForm* Form);
void FormGone(TCustomForm* Form);
// Destroys every window and stops the window layer. Run does it when its
// loop ends; a program that does not run the loop calls it before it ends.
void ShutdownWindowLayer();

}  // namespace visual
