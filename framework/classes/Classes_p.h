#pragma once

// Pieces the framework's list classes share; not part of its public face.

#include "framework/Classes.h"

// Assign for a list of owned items: when Source is a list of the same class,
// replaces Target's items with copies of Source's, in one update, and returns
// true; any other source is left to the caller (false).
template <typename List, typename Item>
bool AssignListItems(List &Target, TPersistent *Source, Item *(List::*At)(int) const)
{
    auto *other = dynamic_cast<List *>(Source);
    if (!other)
        return false;
    if (other == &Target)
        return true;
    const TUpdateGuard updating(Target);
    Target.Clear();
    for (int i = 0; i < other->Count(); ++i)
        Target.Add()->Assign((other->*At)(i));
    return true;
}
