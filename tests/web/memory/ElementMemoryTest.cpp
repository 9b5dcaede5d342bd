// Cleared elements are freed, in every build: a long-lived search object keeps nothing of an
// earlier page, and a tag held past its search is gone (the sanitizer build shows such a use).
// The program counts live blocks of the global allocation functions, which it replaces.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "web/HTMLPars.h"
#include "web/clFindTegProperty.h"

namespace {
std::atomic<long long> g_live{0};

void* Allocate(std::size_t n) noexcept {
    void* p = std::malloc(n ? n : 1);
    if (p) g_live.fetch_add(1, std::memory_order_relaxed);
    return p;
}
void Release(void* p) noexcept {
    if (!p) return;
    g_live.fetch_sub(1, std::memory_order_relaxed);
    std::free(p);
}
}  // namespace

void* operator new(std::size_t n) {
    if (void* p = Allocate(n)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }

namespace {

long long Live() { return g_live.load(); }

// About 4 * rows elements, each text longer than the short-string buffer.
std::string BigPage(int rows) {
    std::string page;
    for (int i = 0; i < rows; ++i)
        page += "<tr class=\"row\"><td>name number " + std::to_string(i) + " in a long row</td></tr>\n";
    return page;
}

}  // namespace

TEST(ElementMemory, ClearElementsFreesEveryElement) {
    THTMLParser p;
    p.Lines.SetText(BigPage(5000));
    const long long before = Live();
    p.Execute();
    const long long parsed = Live();
    p.ClearElements();
    const long long cleared = Live();
    EXPECT_GE(parsed - before, 20000);  // the counter sees the elements
    EXPECT_EQ(p.HTMLElements.Count(), 0);
    EXPECT_LE(cleared - before, 4);  // at most the buffers of the list and the pending texts stay
}

TEST(ElementMemory, ALongLivedSearchKeepsNothingOfAnEarlierPage) {
    TFindTags ft;
    TTagList tags;
    const long long before = Live();
    ft.SetText(BigPage(5000));
    ft.FindTags(tags, "td");
    const long long big = Live();
    ft.SetText("<p>x</p>");
    ft.FindTags(tags, "p");
    const long long small = Live();
    EXPECT_EQ(tags.size(), 1u);
    EXPECT_GE(big - before, 20000);
    // The small page's elements and lines, and the buffers of the lists.
    EXPECT_LE(small - before, 10);
}
