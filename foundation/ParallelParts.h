// Work split into parts that run side by side: the first part on the
// calling thread, the others on threads of their own. For passes over many
// records that mostly wait for memory, such as keying and sorting a large
// list.
#pragma once

#include <algorithm>
#include <cstddef>
#include <exception>
#include <iterator>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// How many parts `count` records are split into: one per processor, at most
// `most`, each of at least `least` records (never fewer than one part).
inline std::size_t PartsFor(std::size_t count, std::size_t least, std::size_t most) {
    const std::size_t processors = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t bySize = least > 0 ? count / least : count;
    return std::max<std::size_t>(1, std::min({processors, most, bySize}));
}

// The first record of part `part` of `parts` over `count` records; part
// `parts` gives `count`.
inline std::size_t PartBegin(std::size_t count, std::size_t parts, std::size_t part) {
    return parts == 0 ? 0 : count / parts * part + count % parts * part / parts;
}

// Runs work(part) for every part in [0, parts) and waits for all of them.
// The first exception of any part is thrown again here once every part has
// ended. A thread that cannot be started leaves its part to the calling
// thread.
template <typename Work> void RunParts(std::size_t parts, Work work) {
    std::mutex failed;
    std::exception_ptr failure;
    auto guarded = [&](std::size_t part) {
        try {
            work(part);
        } catch (...) {
            std::lock_guard<std::mutex> hold(failed);
            if (!failure)
                failure = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    std::vector<std::size_t> left;
    for (std::size_t part = 1; part < parts; ++part) {
        try {
            threads.emplace_back(guarded, part);
        } catch (const std::system_error&) {
            left.push_back(part);
        }
    }
    if (parts > 0)
        guarded(0);
    for (std::size_t part : left)
        guarded(part);
    for (std::thread& thread : threads)
        thread.join();
    if (failure)
        std::rethrow_exception(failure);
}

// Sorts the `count` records at `records` by `before` (a strict weak order
// that may be called from several threads at once) in `parts` parts sorted
// side by side, then merges neighbouring runs in rounds, the merges of a
// round side by side, through a buffer of as many records. Equal records may
// end in another order than std::sort would leave them; with a total order
// the result is the same. An exception from `before` is thrown again once
// every part has ended, the records then in no defined order.
template <typename Record, typename Before>
void SortInParts(Record* records, std::size_t count, std::size_t parts, Before before) {
    parts = std::max<std::size_t>(1, std::min(parts, count));
    std::vector<std::size_t> bounds(parts + 1);
    for (std::size_t part = 0; part <= parts; ++part)
        bounds[part] = PartBegin(count, parts, part);
    RunParts(parts, [&](std::size_t part) {
        std::sort(records + bounds[part], records + bounds[part + 1], before);
    });
    if (parts == 1)
        return;
    // Plain records are left unset until merged into.
    const std::unique_ptr<Record[]> buffer(new Record[count]);
    Record* from = records;
    Record* to = buffer.get();
    while (bounds.size() > 2) {
        const std::size_t runs = bounds.size() - 1;
        RunParts((runs + 1) / 2, [&](std::size_t pair) {
            const std::size_t first = bounds[2 * pair], middle = bounds[2 * pair + 1];
            const std::size_t last = bounds[std::min(2 * pair + 2, runs)];
            std::merge(std::make_move_iterator(from + first),
                       std::make_move_iterator(from + middle),
                       std::make_move_iterator(from + middle), std::make_move_iterator(from + last),
                       to + first, before);
        });
        std::swap(from, to);
        std::vector<std::size_t> next;
        for (std::size_t bound = 0; bound < bounds.size(); bound += 2)
            next.push_back(bounds[bound]);
        if (next.back() != count)
            next.push_back(count);
        bounds.swap(next);
    }
    if (from != records)
        RunParts(parts, [&](std::size_t part) {
            const std::size_t first = PartBegin(count, parts, part);
            std::move(from + first, from + PartBegin(count, parts, part + 1), records + first);
        });
}
