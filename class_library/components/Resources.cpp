#include "class_library/components/Resources.h"

#include <map>
#include <memory>
#include <mutex>

#include "class_library/core/SysUtils.h"

namespace {

struct ResourceTable {
  std::mutex lock;
  // Values are never moved once stored, so the pointers handed out stay valid.
  std::map<String, std::unique_ptr<String>> texts;
};

ResourceTable& Table() {
  static ResourceTable table;
  return table;
}

}  // namespace

void RegisterResourceText(const String& Name, const char* Text, std::size_t Length) {
  ResourceTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto& slot = t.texts[UpperCase(Name)];
  if (slot) {
    slot->assign(Text, Length);
  } else {
    slot = std::make_unique<String>(Text, Length);
  }
}

const String* FindResourceText(const String& Name) {
  ResourceTable& t = Table();
  std::lock_guard<std::mutex> guard(t.lock);
  auto it = t.texts.find(UpperCase(Name));
  return it == t.texts.end() ? nullptr : it->second.get();
}
