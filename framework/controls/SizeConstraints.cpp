#include "framework/Controls.h"
#include "framework/TypInfo.h"

#include <algorithm>

const TClassInfo &TSizeConstraints::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TSizeConstraints>("TSizeConstraints", &TPersistent::StaticClassInfo())
            .Integer("MaxHeight", &TSizeConstraints::MaxHeight, &TSizeConstraints::SetMaxHeight, 0)
            .Integer("MaxWidth", &TSizeConstraints::MaxWidth, &TSizeConstraints::SetMaxWidth, 0)
            .Integer("MinHeight", &TSizeConstraints::MinHeight, &TSizeConstraints::SetMinHeight, 0)
            .Integer("MinWidth", &TSizeConstraints::MinWidth, &TSizeConstraints::SetMinWidth, 0)
            .Build();
    return info;
}

void TSizeConstraints::Assign(TPersistent *Source)
{
    if (auto *c = dynamic_cast<TSizeConstraints *>(Source)) {
        FMaxHeight = c->FMaxHeight;
        FMaxWidth = c->FMaxWidth;
        FMinHeight = c->FMinHeight;
        FMinWidth = c->FMinWidth;
        if (OnChange)
            OnChange(this);
        return;
    }
    TPersistent::Assign(Source);
}

void TSizeConstraints::change(int &Field, int Value)
{
    // A negative limit means nothing; it reads as none.
    Value = std::max(Value, 0);
    if (Field == Value)
        return;
    Field = Value;
    if (OnChange)
        OnChange(this);
}

int TSizeConstraints::constrain(int Size, int Least, int Most)
{
    if (Least > 0 && Size < Least)
        return Least;
    if (Most > 0 && Size > Most)
        return Most;
    return Size;
}
