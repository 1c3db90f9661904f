#pragma once
// Introspection over class records: what a class declares about its members.
// A member's scope is its "__Scope" attribute ("Public" when it has none); a
// member marked "Hidden" is not accessible. Lookups go through maps built on
// first use per class; ReleaseIntrospectionMaps frees them at the end (they
// are built again if asked afterwards). A record must be complete before
// the first question about it.
#include <string>
#include <string_view>

#include "framework/classes/ClassRecord.h"

namespace fw {

// The method or property entry of that name, declared by cls or a
// superclass (the nearest wins); nullptr when there is none.
const MethodEntry* FindMethodEntry(const ClassRecord& cls, std::string_view name);
const PropertyEntry* FindPropertyEntry(const ClassRecord& cls, std::string_view name);

// The value of the attribute of that name in list; nullptr when absent.
const std::string* FindAttribute(const AttributeList& list, std::string_view name);

// The scope of the member (method or property) of that name: its "__Scope"
// value, "Public" when it has none; empty when cls has no such member.
std::string MemberScope(const ClassRecord& cls, std::string_view member);

// True when cls has a member of that name whose scope is "Public" and which
// is not marked "Hidden"; false otherwise.
bool MemberAccessible(const ClassRecord& cls, std::string_view member);

// The scope of the class itself: its "__Scope" attribute, "Public" when none.
std::string ClassScope(const ClassRecord& cls);

// Frees the lookup maps (module finaliser). Never fails.
void ReleaseIntrospectionMaps();

}  // namespace fw
