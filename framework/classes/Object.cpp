#include "framework/Classes.h"
#include "framework/TypInfo.h"

// ---------------------------------------------------------------- TObject --

const TClassInfo &TObject::StaticClassInfo()
{
    static const TClassInfo info = TClassBuilder<TObject>("TObject", nullptr).Build();
    return info;
}

const String &TObject::ClassName() const
{
    return ClassInfo().Name;
}

bool TObject::InheritsFrom(const TClassInfo &ancestor) const
{
    return ClassInfo().InheritsFrom(ancestor);
}

// ------------------------------------------------------------ TPersistent --

const TClassInfo &TPersistent::StaticClassInfo()
{
    static const TClassInfo info =
        TClassBuilder<TPersistent>("TPersistent", &TObject::StaticClassInfo()).Build();
    return info;
}

void TPersistent::Assign(TPersistent *Source)
{
    if (Source)
        Source->AssignTo(this);
    else
        throw EConvertError("Cannot assign a nil to a " + ClassName());
}

void TPersistent::AssignTo(TPersistent *Dest)
{
    throw EConvertError("Cannot assign a " + ClassName() + " to a " +
                        (Dest ? Dest->ClassName() : String("nil")));
}
