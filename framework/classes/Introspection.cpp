#include "framework/classes/Introspection.h"

#include <map>
#include <memory>
#include <mutex>

namespace fw {

namespace {

// Member name -> entry, for one class's own declarations.
struct MemberMap {
  std::map<std::string, const MethodEntry*, std::less<>> methods;
  std::map<std::string, const PropertyEntry*, std::less<>> properties;
};

std::mutex gMapsMutex;
std::map<const ClassRecord*, std::unique_ptr<MemberMap>>* gMaps = nullptr;  // guarded by gMapsMutex

const MemberMap& MapOf(const ClassRecord& cls) {
  std::lock_guard g(gMapsMutex);
  if (!gMaps) gMaps = new std::map<const ClassRecord*, std::unique_ptr<MemberMap>>;
  auto& slot = (*gMaps)[&cls];
  if (!slot) {
    slot = std::make_unique<MemberMap>();
    for (const MethodEntry& m : cls.methods) slot->methods.emplace(m.name, &m);
    for (const PropertyEntry& p : cls.properties) slot->properties.emplace(p.name, &p);
  }
  return *slot;
}

const AttributeList* MemberAttributes(const ClassRecord& cls, std::string_view member) {
  if (const MethodEntry* m = FindMethodEntry(cls, member)) return &m->attributes;
  if (const PropertyEntry* p = FindPropertyEntry(cls, member)) return &p->attributes;
  return nullptr;
}

std::string ScopeOf(const AttributeList& list) {
  const std::string* s = FindAttribute(list, "__Scope");
  return s ? *s : std::string("Public");
}

}  // namespace

const MethodEntry* FindMethodEntry(const ClassRecord& cls, std::string_view name) {
  for (const ClassRecord* r = &cls; r; r = r->Superclass()) {
    const MemberMap& m = MapOf(*r);
    if (auto it = m.methods.find(name); it != m.methods.end()) return it->second;
  }
  return nullptr;
}

const PropertyEntry* FindPropertyEntry(const ClassRecord& cls, std::string_view name) {
  for (const ClassRecord* r = &cls; r; r = r->Superclass()) {
    const MemberMap& m = MapOf(*r);
    if (auto it = m.properties.find(name); it != m.properties.end()) return it->second;
  }
  return nullptr;
}

const std::string* FindAttribute(const AttributeList& list, std::string_view name) {
  for (const Attribute& a : list)
    if (a.name == name) return &a.value;
  return nullptr;
}

std::string MemberScope(const ClassRecord& cls, std::string_view member) {
  const AttributeList* attrs = MemberAttributes(cls, member);
  return attrs ? ScopeOf(*attrs) : std::string();
}

bool MemberAccessible(const ClassRecord& cls, std::string_view member) {
  const AttributeList* attrs = MemberAttributes(cls, member);
  if (!attrs || FindAttribute(*attrs, "Hidden")) return false;
  return ScopeOf(*attrs) == "Public";
}

std::string ClassScope(const ClassRecord& cls) { return ScopeOf(cls.attributes); }

void ReleaseIntrospectionMaps() {
  std::map<const ClassRecord*, std::unique_ptr<MemberMap>>* maps;
  {
    std::lock_guard g(gMapsMutex);
    maps = gMaps;
    gMaps = nullptr;
  }
  delete maps;
}

}  // namespace fw
