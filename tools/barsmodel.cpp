// Answers what the bar library decides about recently used links, one case a line, for the external check
// that compares it with a script written from the rules alone. Each input line is
//   P N U0 V0 ... U(N-1) V(N-1) R0 ... R(N-1)
// the MostRecentItemsPercents, the links' use counts and visibility (1 or 0) in collection order, and the
// recent-use order front first (collection indices). Each output line is
//   MINCOUNT RECENTCOUNT SHOWN...
// the manager's RecentItemMinCount, CalcRecentItemCount, and the collection indices a menu then shows.
#include "bars/xbBar.h"
#include "lookandfeel/lkStartup.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Forms.h"

#include <cstdio>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace resources {
void RegisterResources();
}

namespace {

bool Answer(bars::TxbBarManager* manager, vcl::TForm* form, const std::string& line) {
    std::istringstream in(line);
    int percents = 0, n = 0;
    if (!(in >> percents >> n) || n < 0 || n > 10000 || percents < 0 || percents > 255)
        return false;
    std::vector<int> counts(static_cast<size_t>(n)), visible(static_cast<size_t>(n)), recent(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        if (!(in >> counts[size_t(i)] >> visible[size_t(i)]))
            return false;
    for (int i = 0; i < n; ++i)
        if (!(in >> recent[size_t(i)]) || recent[size_t(i)] < 0 || recent[size_t(i)] >= n)
            return false;
    manager->SetMostRecentItemsPercents(uint8_t(percents));
    bars::TxbBarItemLinks links(manager, nullptr);
    std::vector<bars::TxbBarItem*> items;
    std::vector<bars::TxbBarItemLink*> made;
    for (int i = 0; i < n; ++i) {
        auto* item = new bars::TxbBarItem(form);
        items.push_back(item);
        bars::TxbBarItemLink* link = links.Add();
        link->SetItem(item);
        link->SetVisible(visible[size_t(i)] != 0);
        link->SetUseCount(counts[size_t(i)]);
        made.push_back(link);
    }
    for (int position = 0; position < n; ++position)
        links.MoveInRecent(made[size_t(recent[size_t(position)])], position);
    const int32_t count = links.CalcRecentItemCount();
    links.SetRecentItemCount(count);
    std::printf("%d %d", manager->GetRecentItemMinCount(), count);
    for (int32_t i = 0; i < links.GetShownItemCount(); ++i)
        std::printf(" %d", links.IndexOf(links.GetShownItem(i)));
    std::printf("\n");
    for (bars::TxbBarItem* item : items)
        delete item;
    return true;
}

} // namespace

int main() {
    try {
        resources::RegisterResources();
        headless::HeadlessScreen screen;
        lookandfeel::InitializeLookAndFeel();
        bars::InitBarCommonModule();
        auto form = std::make_unique<vcl::TForm>(nullptr);
        auto* manager = new bars::TxbBarManager(form.get());
        std::string line;
        int status = 0;
        while (std::getline(std::cin, line)) {
            if (line.empty())
                continue;
            if (!Answer(manager, form.get(), line)) {
                std::fprintf(stderr, "barsmodel: bad line: %s\n", line.c_str());
                status = 1;
                std::printf("error\n");
            }
        }
        form.reset();
        bars::DoneBarCommonModule();
        lookandfeel::FinalizeLookAndFeel();
        return status;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "barsmodel: %s\n", e.what());
        return 1;
    }
}
