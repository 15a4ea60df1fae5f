#pragma once

// A label that looks like a link and opens its address with the desktop when
// the left mouse button is pressed on it.

#include "framework/StdCtrls.h"

class TURLStatic : public TLabel
{
    TUMBLER_CLASS
public:
    // A link's look: hand cursor, blue underlined Arial, transparent.
    explicit TURLStatic(TComponent *AOwner);
    ~TURLStatic() override;

    // The address to open. Empty after construction; always written to form
    // descriptions. Changing it changes nothing visible: it takes effect at the
    // next press.
    const String &GetURL() const { return FURL; }
    void SetURL(const String &Value);

    // Left-button presses go to WMLButtonDown; every other message takes the
    // label's path.
    void Dispatch(TMessage &Message) override;

    // A link whose press opens the address, as a left press does.
    TAccessibleRole AccessibleRole() const override { return arLink; }
    bool AccessiblePressable() const override { return true; }
    void AccessiblePress() override { openAddress(); }

protected:
    // Opens the address, once per press. The press goes no further: no mouse
    // capture, no OnMouseDown, and no OnClick on the release that follows.
    void WMLButtonDown(TWMMouse &Message);

private:
    void openAddress();

    String FURL;
};

namespace URLStatic {
// Puts TURLStatic on the component palette page "Marrow 2"; nothing else.
void Register();
} // namespace URLStatic
