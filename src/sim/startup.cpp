#include "startup.h"

#include "app/model.h"
#include "sim/runprogress.h"

#include <QStringView>

#include <algorithm>
#include <cmath>
#include <deque>
#include <functional>
#include <limits>
#include <optional>
#include <unordered_map>

namespace {

constexpr QStringView kTooFewForStartup =
    u"Per mostrare l'avvio servono almeno 2 campioni per periodo (N) e almeno un periodo simulato (NI).";

constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- One period, seen as the plot would show it ----

// Samples 2..N of one period, as the arrays hold them once the period is done.
struct PeriodStats {
    double iLMin = kInf, iLMax = -kInf, voMin = kInf, voMax = -kInf;
    bool blocked = false; // the diode blocked the step to one of them
};

// Tells `sink` of the samples 2..N of a period in order, with the values the arrays
// keep: the switching instant overwrites a sample the on-phase wrote (or repeats it),
// and the off-phase may overwrite the one after; the step out of sample N gives a
// sample the wrap discards, so neither it nor a block in it counts.
template <class Sink>
class TrackPeriod {
public:
    static constexpr bool kRecords = true;

    TrackPeriod(const Phases& p, Sink& sink) : p_(p), sink_(sink) {}

    void begin(State start)
    {
        stats = {};
        sink_.periodStart(start);
    }
    void onSample(std::int32_t k, State, State next)
    {
        if (k + 1 < p_.offStart)
            sample(k + 1, next);
    }
    void switchAt(std::int32_t k, State x)
    {
        if (k >= 2 && k <= p_.n)
            sample(k, x);
    }
    void offSample(std::int32_t k, State, State next)
    {
        if (k + 1 <= p_.n)
            sample(k + 1, next);
    }
    void blocked(std::int32_t k) { stats.blocked = stats.blocked || k + 1 <= p_.n; }
    void wrap() {}

    PeriodStats stats;

private:
    void sample(std::int32_t k, State x)
    {
        stats.iLMin = std::min(stats.iLMin, x.iL);
        stats.iLMax = std::max(stats.iLMax, x.iL);
        stats.voMin = std::min(stats.voMin, x.vo);
        stats.voMax = std::max(stats.voMax, x.vo);
        sink_.sample(k, x);
    }

    const Phases& p_;
    Sink& sink_;
};

struct NoSink {
    void periodStart(State) {}
    void sample(std::int32_t, State) {}
};

struct Stepped {
    State next;
    PeriodStats stats;
};

// Out of line, so that the state stays in registers across the progress calls around it.
[[gnu::noinline]] Stepped stepTracked(const Setup& s, State start)
{
    NoSink none;
    TrackPeriod<NoSink> track(s.phases, none);
    const State next = stepPeriod<TrackPeriod<NoSink>, DiodeBlocks>(s.circuit, s.phases, start, track);
    return {next, track.stats};
}

[[gnu::noinline]] State stepQuietly(const Setup& s, State start)
{
    KeepNothing nothing;
    return stepPeriod<KeepNothing, DiodeBlocks>(s.circuit, s.phases, start, nothing);
}

// ---- The export rows ----

void merge(PeriodStats& into, const PeriodStats& s)
{
    into.iLMin = std::min(into.iLMin, s.iLMin);
    into.iLMax = std::max(into.iLMax, s.iLMax);
    into.voMin = std::min(into.voMin, s.voMin);
    into.voMax = std::max(into.voMax, s.voMax);
    into.blocked = into.blocked || s.blocked;
}

void merge(StartupRow& row, const PeriodStats& s)
{
    PeriodStats both{row.iLMin, row.iLMax, row.voMin, row.voMax, row.discontinuous};
    merge(both, s);
    std::tie(row.iLMin, row.iLMax, row.voMin, row.voMax, row.discontinuous) =
        std::tuple(both.iLMin, both.iLMax, both.voMin, both.voMax, both.blocked);
}

StartupRow emptyRow(std::int64_t period, double voStart)
{
    return {period, kInf, -kInf, kInf, -kInf, voStart, false};
}

// Rows of `per` periods each from period 1, filled as the periods are stepped.
struct Rows {
    std::int64_t per = 1;
    std::vector<StartupRow> rows;

    void add(std::int64_t period, double voStart, const PeriodStats& s)
    {
        if ((period - 1) % per == 0)
            rows.push_back(emptyRow(period, voStart));
        merge(rows.back(), s);
    }
};

// ---- What the search keeps of the periods it has stepped ----

struct StateBitsHash {
    std::size_t operator()(StateBits b) const
    {
        return std::size_t(b.iL * 0x9E3779B97F4A7C15ULL ^ (b.vo + 0x632BE59BD9B4E019ULL + (b.iL << 6) + (b.iL >> 2)));
    }
};

// A period's start state and what the figures need of the period.
struct PeriodRecord {
    StateBits start;
    std::int64_t period = 0;
    std::int64_t dcmBefore = 0; // discontinuous periods before it
    bool dcm = false;
    double vo() const { return std::bit_cast<double>(start.vo); }
};

// The last `size` periods, found again by their start states: a start state seen among
// them is a repeat the moment it happens, whose first period is the one found.
class RecentPeriods {
public:
    explicit RecentPeriods(std::int64_t size) : ring_(std::size_t(size)) { where_.reserve(std::size_t(size)); }

    void add(const PeriodRecord& r)
    {
        PeriodRecord& slot = ring_[slotOf(r.period)];
        if (slot.period > 0)
            where_.erase(slot.start);
        slot = r;
        where_[r.start] = r.period;
    }
    std::optional<std::int64_t> periodStartingWith(StateBits s) const
    {
        const auto it = where_.find(s);
        return it == where_.end() ? std::nullopt : std::optional(it->second);
    }
    // Holds the last `size` periods added.
    const PeriodRecord& at(std::int64_t period) const { return ring_[slotOf(period)]; }
    std::int64_t size() const { return std::int64_t(ring_.size()); }

private:
    std::size_t slotOf(std::int64_t period) const { return std::size_t(period % std::int64_t(ring_.size())); }

    std::vector<PeriodRecord> ring_;
    std::unordered_map<StateBits, std::int64_t, StateBitsHash> where_;
};

// The output voltage at the start of every period stepped, in blocks of consecutive
// periods, each with the lowest and highest voltage and the state it starts from.  When
// the log is full, neighbouring blocks merge: the memory stays bounded, and a block is
// stepped again when its single periods are wanted.
class VoltageLog {
public:
    struct Block {
        std::int64_t first = 0, count = 0;
        State start;
        double low = kInf, high = -kInf;
    };

    explicit VoltageLog(std::int64_t maxBlocks) : max_(std::max<std::int64_t>(maxBlocks, 2) & ~std::int64_t{1}) {}

    void add(std::int64_t period, State start)
    {
        if (blocks_.empty() || blocks_.back().count == blockPeriods_) {
            if (std::int64_t(blocks_.size()) == max_)
                mergePairs();
            if (blocks_.empty() || blocks_.back().count == blockPeriods_)
                blocks_.push_back({period, 0, start});
        }
        Block& b = blocks_.back();
        ++b.count;
        b.low = std::min(b.low, start.vo);
        b.high = std::max(b.high, start.vo);
    }
    const std::vector<Block>& blocks() const { return blocks_; }

private:
    void mergePairs()
    {
        for (std::size_t i = 0; i < blocks_.size() / 2; ++i) {
            const Block& a = blocks_[2 * i];
            const Block& b = blocks_[2 * i + 1];
            blocks_[i] = {a.first, a.count + b.count, a.start, std::min(a.low, b.low), std::max(a.high, b.high)};
        }
        blocks_.resize(blocks_.size() / 2);
        blockPeriods_ *= 2;
    }

    std::int64_t max_;
    std::int64_t blockPeriods_ = 1;
    std::vector<Block> blocks_;
};

// Within 1 % of the final output voltage, written as the figure is defined.
bool settledAt(double vo, double target)
{
    return std::fabs(vo - target) <= 0.01 * std::fabs(target);
}

// ---- The search: from rest until NI or the first repeat ----

struct Running {
    double peakIL = -kInf, peakVo = -kInf;
    std::int64_t peakILPeriod = 0, peakVoPeriod = 0;
    std::int64_t dcmPeriods = 0, dcmFirst = 0, dcmLast = 0;

    void add(std::int64_t period, const PeriodStats& s)
    {
        if (s.iLMax > peakIL)
            peakIL = s.iLMax, peakILPeriod = period;
        if (s.voMax > peakVo)
            peakVo = s.voMax, peakVoPeriod = period;
        if (s.blocked) {
            ++dcmPeriods;
            dcmFirst = dcmFirst ? dcmFirst : period;
            dcmLast = period;
        }
    }
};

// Where the start states repeat: period mu is the first whose start state returns,
// lambda periods later.
struct Cycle {
    std::int64_t mu = 0, lambda = 0;
};

struct Search {
    Running running;            // over the periods stepped, from the first
    std::optional<Cycle> cycle; // closed within NI; mu is 0 until found by stepping again
    bool cycleInRecent = false; // its periods are all among the recent ones
    // A cycle longer than the recent periods that closed within NI, but was seen only
    // after NI: every period up to NI is stepped all the same.
    std::optional<Cycle> seenLate;
    State last;               // start state of the last period stepped
    std::int64_t stepped = 0; // periods stepped, from the first
};

// Steps from rest until period NI, or until a period starts as an earlier one did.  A
// repeat among the recent periods is seen the moment it happens.  A longer cycle is
// seen at its first checkpoint (every `recentStates` periods) inside it, one cycle
// later: the search may then have passed NI, so past NI it looks on for as long as
// that can take.
class Searcher {
public:
    Searcher(const Setup& setup, std::int64_t requested, const StartupLimits& limits, Rows& rows,
             ProgressCounter& progress)
        : setup_(setup), requested_(requested), recent_(limits.recentStates), log_(limits.logBlocks), rows_(rows),
          progress_(progress)
    {
    }

    std::variant<Search, Stop> run();
    const RecentPeriods& recent() const { return recent_; }
    const VoltageLog& log() const { return log_; }

private:
    std::optional<Cycle> repeatAt(std::int64_t period, State state) const;
    void remember(std::int64_t period, State start, bool dcm, std::int64_t dcmBefore);
    std::optional<Cycle> lookPast(State next) const;

    const Setup& setup_;
    std::int64_t requested_;
    RecentPeriods recent_;
    VoltageLog log_;
    Rows& rows_;
    ProgressCounter& progress_;
    std::unordered_map<StateBits, std::int64_t, StateBitsHash> checkpoints_;
};

std::variant<Search, Stop> Searcher::run()
{
    Search s;
    State start; // of period p: rest
    for (std::int64_t p = 1;; ++p) {
        const Stepped step = stepTracked(setup_, start);
        if (!isFinite(step.next))
            return diverged();
        remember(p, start, step.stats.blocked, s.running.dcmPeriods);
        s.running.add(p, step.stats);
        rows_.add(p, start.vo, step.stats);
        s.last = start;
        s.stepped = p;
        if (!progress_.step())
            return cancelled();
        if (p == requested_) {
            s.seenLate = lookPast(step.next);
            return s;
        }
        if (const std::optional<Cycle> cycle = repeatAt(p + 1, step.next)) {
            s.cycle = cycle;
            s.cycleInRecent = cycle->mu > 0;
            return s;
        }
        start = step.next;
    }
}

void Searcher::remember(std::int64_t period, State start, bool dcm, std::int64_t dcmBefore)
{
    recent_.add({bitsOf(start), period, dcmBefore, dcm});
    log_.add(period, start);
    if ((period - 1) % recent_.size() == 0)
        checkpoints_.emplace(bitsOf(start), period);
}

// The cycle that closes at `period`, which starts in `state`: with its first period
// when it is among the recent ones, with its length alone otherwise.
std::optional<Cycle> Searcher::repeatAt(std::int64_t period, State state) const
{
    const StateBits bits = bitsOf(state);
    if (const std::optional<std::int64_t> first = recent_.periodStartingWith(bits))
        return Cycle{*first, period - *first};
    if (const auto checkpoint = checkpoints_.find(bits); checkpoint != checkpoints_.end())
        return Cycle{0, period - checkpoint->second};
    return std::nullopt;
}

// A cycle longer than the recent periods closes within NI only if it starts at least
// that many periods before NI; it is seen by one checkpoint spacing after it closes.
std::optional<Cycle> Searcher::lookPast(State next) const
{
    if (requested_ <= recent_.size())
        return std::nullopt;
    State start = next;
    for (std::int64_t period = requested_ + 1; period <= requested_ + recent_.size(); ++period) {
        const auto checkpoint = checkpoints_.find(bitsOf(start));
        if (checkpoint != checkpoints_.end())
            return Cycle{0, period - checkpoint->second};
        start = stepQuietly(setup_, start);
    }
    return std::nullopt;
}

// ---- The periods of a cycle ----

// One period of the cycle: its place (0 for period mu), its start state, and whether
// the diode blocks in it.
struct Member {
    std::int64_t offset = 0;
    State start;
    bool dcm = false;
};

// Calls `each` for every period of the cycle in order, from the recent periods or, for
// a cycle longer than they hold, by stepping it again from the start state of mu.
template <class Each>
void forEachMember(const Setup& setup, const Search& s, const RecentPeriods& recent, State muStart, Each each)
{
    const Cycle c = *s.cycle;
    State start = muStart;
    for (std::int64_t o = 0; o < c.lambda; ++o) {
        if (s.cycleInRecent) {
            const PeriodRecord& r = recent.at(c.mu + o);
            each(Member{o, {std::bit_cast<double>(r.start.iL), r.vo()}, r.dcm});
        } else {
            const Stepped step = stepTracked(setup, start);
            each(Member{o, start, step.stats.blocked});
            start = step.next;
        }
    }
}

// The first period of a cycle found by its length alone, and the discontinuous periods
// before it: one walker from rest, another as many periods ahead as the cycle is long,
// stepped together until they meet.
std::pair<Cycle, std::int64_t> findFirstOfCycle(const Setup& setup, std::int64_t lambda, State& muStart)
{
    State ahead;
    for (std::int64_t i = 0; i < lambda; ++i)
        ahead = stepQuietly(setup, ahead);
    State behind;
    std::int64_t mu = 1, dcmBefore = 0;
    while (!(bitsOf(behind) == bitsOf(ahead))) {
        const Stepped step = stepTracked(setup, behind);
        dcmBefore += step.stats.blocked;
        behind = step.next;
        ahead = stepQuietly(setup, ahead);
        ++mu;
    }
    muStart = behind;
    return {{mu, lambda}, dcmBefore};
}

// The last period up to `last` that repeats the period of the cycle at `offset`, where
// `lastOffset` is the place of `last` in the cycle.
std::int64_t lastRepeatOf(std::int64_t offset, std::int64_t last, std::int64_t lastOffset, std::int64_t lambda)
{
    return offset <= lastOffset ? last - (lastOffset - offset) : last - lastOffset - lambda + offset;
}

// What the figures take from the cycle, over the periods mu..NI.
struct CycleFacts {
    std::int64_t dcmPeriods = 0; // among periods mu..NI
    std::int64_t dcmLast = 0;    // the last of them, or 0
    std::int64_t unsettledLast = 0; // the last period mu..NI whose start is not within 1 %, or 0
};

CycleFacts cycleFacts(const Setup& setup, const Search& s, const RecentPeriods& recent, State muStart,
                      std::int64_t requested, double target)
{
    const Cycle c = *s.cycle;
    const std::int64_t length = requested - c.mu + 1, whole = length / c.lambda, rest = length % c.lambda;
    const std::int64_t lastOffset = (requested - c.mu) % c.lambda;
    CycleFacts f;
    forEachMember(setup, s, recent, muStart, [&](const Member& m) {
        if (m.dcm) {
            f.dcmPeriods += whole + (m.offset < rest ? 1 : 0);
            f.dcmLast = std::max(f.dcmLast, lastRepeatOf(m.offset, requested, lastOffset, c.lambda));
        }
        if (!settledAt(m.start.vo, target))
            f.unsettledLast = std::max(f.unsettledLast, lastRepeatOf(m.offset, requested, lastOffset, c.lambda));
    });
    return f;
}

// The start state of period `period` of a run that has a cycle, mu <= period.
State startOf(const Setup& setup, const Search& s, const RecentPeriods& recent, State muStart, std::int64_t period)
{
    const Cycle c = *s.cycle;
    const std::int64_t offset = (period - c.mu) % c.lambda;
    if (s.cycleInRecent) {
        const PeriodRecord& r = recent.at(c.mu + offset);
        return {std::bit_cast<double>(r.start.iL), r.vo()};
    }
    State start = muStart;
    for (std::int64_t o = 0; o < offset; ++o)
        start = stepQuietly(setup, start);
    return start;
}

// The last period stepped whose start voltage is not within 1 % of `target`, or 0: the
// last block whose extremes are not both within is stepped again, period by period.
std::int64_t lastUnsettled(const Setup& setup, const VoltageLog& log, double target)
{
    const std::vector<VoltageLog::Block>& blocks = log.blocks();
    for (auto b = blocks.rbegin(); b != blocks.rend(); ++b) {
        if (settledAt(b->low, target) && settledAt(b->high, target))
            continue;
        std::int64_t last = 0;
        State start = b->start;
        for (std::int64_t i = 0; i < b->count; ++i) {
            if (!settledAt(start.vo, target))
                last = b->first + i;
            start = stepQuietly(setup, start);
        }
        return last;
    }
    return 0;
}

// ---- The rows past the periods stepped, from the cycle ----

// The lowest (Better = std::less) or highest (std::greater) of the values pushed from a
// given index on, among the last `width`: each value is pushed and dropped once.
template <class Better>
class WindowBest {
public:
    explicit WindowBest(std::int64_t width) : width_(width) {}

    void push(std::int64_t index, double value)
    {
        while (!kept_.empty() && !Better{}(kept_.back().second, value))
            kept_.pop_back();
        kept_.emplace_back(index, value);
        while (kept_.front().first <= index - width_)
            kept_.pop_front();
    }
    double from(std::int64_t first)
    {
        while (kept_.front().first < first)
            kept_.pop_front();
        return kept_.front().second;
    }

private:
    std::int64_t width_;
    std::deque<std::pair<std::int64_t, double>> kept_;
};

// The extremes of the last `width` members pushed, from a given one on.
class SlidingStats {
public:
    explicit SlidingStats(std::int64_t width) : iLMin_(width), iLMax_(width), voMin_(width), voMax_(width) {}

    void push(std::int64_t index, const PeriodStats& s)
    {
        iLMin_.push(index, s.iLMin);
        iLMax_.push(index, s.iLMax);
        voMin_.push(index, s.voMin);
        voMax_.push(index, s.voMax);
        lastBlocked_ = s.blocked ? index : lastBlocked_;
    }
    PeriodStats from(std::int64_t first)
    {
        return {iLMin_.from(first), iLMax_.from(first), voMin_.from(first), voMax_.from(first), lastBlocked_ >= first};
    }

private:
    WindowBest<std::less<>> iLMin_;
    WindowBest<std::greater<>> iLMax_;
    WindowBest<std::less<>> voMin_;
    WindowBest<std::greater<>> voMax_;
    std::int64_t lastBlocked_ = -1;
};

// The members of the cycle that a row covers past the periods stepped: `count` of
// them from member `first` (0 for period mu), taken round the cycle.  `startsRow`: the
// row begins there, with that member's start voltage.
struct RowPart {
    std::size_t row = 0;
    std::int64_t first = 0, count = 0;
    bool startsRow = false;
};

// The rows that periods stepped + 1 .. NI fall in, those not begun yet added empty.
std::vector<RowPart> partsPast(const Cycle& c, std::int64_t stepped, std::int64_t requested, Rows& rows)
{
    std::vector<RowPart> parts;
    for (std::int64_t from = stepped + 1; from <= requested;) {
        const bool starts = (from - 1) % rows.per == 0;
        if (starts)
            rows.rows.push_back(emptyRow(from, 0));
        const std::int64_t to = std::min(requested, ((from - 1) / rows.per + 1) * rows.per);
        parts.push_back({rows.rows.size() - 1, (from - c.mu) % c.lambda, to - from + 1, starts});
        from = to + 1;
    }
    return parts;
}

// The parts that `keep` takes, in the order of their first members.
template <class Keep>
std::vector<const RowPart*> partsByFirst(const std::vector<RowPart>& parts, Keep keep)
{
    std::vector<const RowPart*> kept;
    for (const RowPart& part : parts) {
        if (keep(part))
            kept.push_back(&part);
    }
    std::stable_sort(kept.begin(), kept.end(), [](const RowPart* a, const RowPart* b) { return a->first < b->first; });
    return kept;
}

// Rows up to NI past the periods stepped: period q repeats member (q − mu) mod lambda.
// A row covering lambda periods or more holds every member; a shorter one a window of
// them, which may run past the cycle's end into its first members again (those are
// kept for it).  The windows of whole rows, all equally long, take sliding extremes,
// the few others (the row the search ended in, the last one) gather their members one
// by one.
class CycleRows {
public:
    CycleRows(const Cycle& c, std::int64_t stepped, std::int64_t requested, Rows& rows)
        : lambda_(c.lambda), rows_(rows), parts_(partsPast(c, stepped, requested, rows)), sliding_(rows.per)
    {
        for (const RowPart& part : parts_)
            longest_ = part.count < lambda_ ? std::max(longest_, part.count) : longest_;
        starting_ = partsByFirst(parts_, [](const RowPart& p) { return p.startsRow; });
        whole_ = partsByFirst(parts_, [&](const RowPart& p) { return p.count < lambda_ && p.count == rows.per; });
        other_ = partsByFirst(parts_, [&](const RowPart& p) { return p.count < lambda_ && p.count != rows.per; });
    }

    // Members to go through: the cycle, and the windows' run past its end.
    std::int64_t members() const { return lambda_ + std::max<std::int64_t>(longest_ - 1, 0); }

    // Member e of the cycle (e < lambda), stepped from `start`.
    void stepped(std::int64_t e, State start, const PeriodStats& stats)
    {
        for (; nextStart_ < starting_.size() && starting_[nextStart_]->first == e; ++nextStart_)
            rows_.rows[starting_[nextStart_]->row].voStart = start.vo;
        merge(all_, stats);
        if (e < longest_ - 1)
            again_.push_back(stats);
        take(e, stats);
    }
    // The windows' members past the cycle's end, its first members again.
    void pastEnd(std::int64_t e) { take(e, again_[std::size_t(e - lambda_)]); }

    // Every member taken: the rows that cover the whole cycle.
    void finish()
    {
        for (const RowPart& part : parts_) {
            if (part.count >= lambda_)
                merge(rows_.rows[part.row], all_);
        }
    }

private:
    void take(std::int64_t e, const PeriodStats& stats)
    {
        if (!whole_.empty())
            sliding_.push(e, stats);
        for (; nextWhole_ < whole_.size() && whole_[nextWhole_]->first + rows_.per - 1 == e; ++nextWhole_)
            merge(rows_.rows[whole_[nextWhole_]->row], sliding_.from(whole_[nextWhole_]->first));
        for (const RowPart* part : other_) {
            if (part->first <= e && e < part->first + part->count)
                merge(rows_.rows[part->row], stats);
        }
    }

    std::int64_t lambda_;
    Rows& rows_;
    std::vector<RowPart> parts_;
    std::int64_t longest_ = 0;
    std::vector<const RowPart*> starting_, whole_, other_;
    std::vector<PeriodStats> again_; // the first members, for windows past the cycle's end
    SlidingStats sliding_;
    PeriodStats all_;
    std::size_t nextStart_ = 0, nextWhole_ = 0;
};

// The members are stepped once more from the start of mu.
std::optional<Stop> rowsFromCycle(const Setup& setup, const Cycle& c, State muStart, std::int64_t stepped,
                                  std::int64_t requested, Rows& rows, ProgressCounter& progress)
{
    CycleRows cycleRows(c, stepped, requested, rows);
    State start = muStart;
    for (std::int64_t e = 0; e < cycleRows.members(); ++e) {
        if (e >= c.lambda) {
            cycleRows.pastEnd(e);
            continue;
        }
        const Stepped step = stepTracked(setup, start);
        cycleRows.stepped(e, start, step.stats);
        start = step.next;
        if (!progress.step())
            return cancelled();
    }
    cycleRows.finish();
    return std::nullopt;
}

// ---- Period NI, as the verification summarises its last period ----

std::optional<Stop> summariseLast(const Model& inputs, const Setup& setup, State start, StartupFigures& f)
{
    Model m;
    m.N = inputs.N;
    m.Freq = inputs.Freq;
    m.Dt = setup.circuit.Dt;
    for (std::vector<double>* wave : {&m.WaveIL, &m.WaveVo, &m.WaveIC, &m.WaveVL, &m.WaveID})
        wave->assign(std::size_t(m.N) + 2, 0.0);
    RecordArrays arrays(m, setup.circuit);
    stepPeriod<RecordArrays, DiodeBlocks>(setup.circuit, setup.phases, start, arrays);
    if (!samplesFinite(m) || !summarise(m))
        return diverged();
    std::tie(f.DeltaiL, f.DeltaVo, f.IDP, f.IDm, f.Iim) = std::tuple(m.SimDeltaiL, m.SimDeltaVo, m.SimIDP, m.SimIDm, m.SimIim);
    // In discontinuous conduction the output sits well above Vi/(1 − D): this says how far.
    f.VoMean = periodMean(m, m.WaveVo);
    return std::nullopt;
}

// ---- The figures ----

struct Found {
    StartupFigures figures;
    State lastStart; // of period NI
    Rows rows;       // of the periods stepped
    std::int64_t stepped = 0;
    std::optional<Cycle> cycle; // closed within NI before the search reached it
    State muStart;              // of its first period
};

std::variant<Found, Stop> figuresOf(const Model& m, const Setup& setup, ProgressCounter& progress,
                                    const StartupLimits& limits)
{
    Found found;
    found.rows.per = (std::int64_t(m.NI) + limits.maxRows - 1) / limits.maxRows;
    found.rows.rows.reserve(std::size_t((m.NI + found.rows.per - 1) / found.rows.per));
    Searcher searcher(setup, m.NI, limits, found.rows, progress);
    std::variant<Search, Stop> searched = searcher.run();
    if (Stop* stop = std::get_if<Stop>(&searched))
        return *stop;
    Search& s = std::get<Search>(searched);
    StartupFigures& f = found.figures;
    const Running& r = s.running;
    std::tie(f.peakIL, f.peakILPeriod, f.peakVo, f.peakVoPeriod) = std::tuple(r.peakIL, r.peakILPeriod, r.peakVo, r.peakVoPeriod);
    std::tie(f.dcmPeriods, f.dcmFirst, f.dcmLast) = std::tuple(r.dcmPeriods, r.dcmFirst, r.dcmLast);
    found.lastStart = s.last;
    found.stepped = s.stepped;
    std::int64_t unsettled = 0;
    if (s.seenLate) {
        State muStart;
        const Cycle late = findFirstOfCycle(setup, s.seenLate->lambda, muStart).first;
        if (late.mu + late.lambda <= m.NI)
            std::tie(f.repeatPeriod, f.cycleLength) = std::pair(late.mu, late.lambda);
    }
    if (s.cycle) {
        State& muStart = found.muStart;
        std::int64_t dcmBefore = 0;
        if (s.cycleInRecent) {
            const PeriodRecord& first = searcher.recent().at(s.cycle->mu);
            muStart = {std::bit_cast<double>(first.start.iL), first.vo()};
            dcmBefore = first.dcmBefore;
        } else {
            std::tie(*s.cycle, dcmBefore) = findFirstOfCycle(setup, s.cycle->lambda, muStart);
        }
        found.lastStart = startOf(setup, s, searcher.recent(), muStart, m.NI);
        const CycleFacts c = cycleFacts(setup, s, searcher.recent(), muStart, m.NI, found.lastStart.vo);
        f.dcmPeriods = dcmBefore + c.dcmPeriods;
        f.dcmLast = c.dcmLast ? c.dcmLast : f.dcmLast;
        unsettled = c.unsettledLast;
        f.repeatPeriod = s.cycle->mu;
        f.cycleLength = s.cycle->lambda;
        found.cycle = s.cycle;
    }
    if (unsettled == 0)
        unsettled = lastUnsettled(setup, searcher.log(), found.lastStart.vo);
    f.settledPeriod = unsettled + 1;
    if (std::optional<Stop> stop = summariseLast(m, setup, found.lastStart, f))
        return *stop;
    return found;
}

// ---- The drawing: a part of the span stepped again ----

// Gathers the samples of `shown` into pixel columns, from the start of period
// `firstPeriod` on.
class ColumnSink {
public:
    ColumnSink(std::vector<StartupColumn>& columns, SampleSpan shown, std::int32_t n, std::int64_t firstPeriod)
        : columns_(columns), count_(std::int64_t(columns.size())), shown_(shown), n_(n), period_(firstPeriod - 1)
    {
    }

    void periodStart(State start)
    {
        ++period_;
        periodColumn_ = -1;
        at(0, start);
    }
    void sample(std::int32_t k, State x) { at(k - 1, x); }

    // The last sample holds to the end of the span.
    void finish()
    {
        for (std::int64_t c = column_ + 1; column_ >= 0 && c < count_; ++c)
            extend(c, last_);
    }

    // After period `period_`: shaded where its samples fell when the diode blocked in it.
    void periodDone(bool blocked)
    {
        for (std::int64_t c = periodColumn_; blocked && c >= 0 && c <= column_; ++c)
            columns_[std::size_t(c)].discontinuous = true;
    }

private:
    // Column c holds the samples g of `shown` (counted from its first) with
    // floor(g · columns / samples) = c.  The product can pass 64 bits.
    std::int64_t columnOf(std::int64_t g) const
    {
        __extension__ using Wide = unsigned __int128;
        return std::int64_t(Wide(std::uint64_t(g)) * Wide(std::uint64_t(count_)) / Wide(std::uint64_t(shown_.count())));
    }
    // The first sample of column c.
    std::int64_t firstSampleOf(std::int64_t c) const
    {
        __extension__ using Wide = unsigned __int128;
        const Wide scaled = Wide(std::uint64_t(c)) * Wide(std::uint64_t(shown_.count()));
        return std::int64_t((scaled + Wide(std::uint64_t(count_)) - 1) / Wide(std::uint64_t(count_)));
    }
    // Sample `index` (0 for the start) of the current period, if it is shown.  A sample
    // in a later column closes the column before it, which reaches up to it; a column
    // no sample falls in takes the line across it.  The column is worked out anew only
    // where a new one begins.
    void at(std::int64_t index, State x)
    {
        const std::int64_t g = (period_ - 1) * n_ + index - shown_.first;
        if (g < 0 || g >= shown_.count())
            return;
        const std::int64_t c = g < nextColumnAt_ ? column_ : columnOf(g);
        if (c != column_)
            nextColumnAt_ = firstSampleOf(c + 1);
        if (column_ >= 0 && c > column_) {
            extend(column_, x);
            for (std::int64_t skipped = column_ + 1; skipped < c; ++skipped) {
                extend(skipped, last_);
                extend(skipped, x);
            }
        }
        column_ = c;
        periodColumn_ = periodColumn_ < 0 ? c : periodColumn_;
        extend(c, x);
        last_ = x;
    }
    void extend(std::int64_t c, State x)
    {
        StartupColumn& col = columns_[std::size_t(c)];
        col.iLLow = std::min(col.iLLow, x.iL);
        col.iLHigh = std::max(col.iLHigh, x.iL);
        col.voLow = std::min(col.voLow, x.vo);
        col.voHigh = std::max(col.voHigh, x.vo);
    }

    std::vector<StartupColumn>& columns_;
    std::int64_t count_;
    SampleSpan shown_;
    std::int64_t n_;
    std::int64_t period_;
    std::int64_t column_ = -1;
    std::int64_t nextColumnAt_ = 0; // the first sample of column column_ + 1
    std::int64_t periodColumn_ = -1; // the first column of the current period
    State last_;
};

// The first and the last period that samples of `shown` lie in.
std::pair<std::int64_t, std::int64_t> periodsOf(SampleSpan shown, std::int32_t n)
{
    return {shown.first / n + 1, (shown.end - 1) / n + 1};
}

// The periods stepped to draw `shown`: from the kept start state at or before its
// first period, or from rest.
std::int64_t periodsToDraw(const StartupView& view, SampleSpan shown)
{
    const auto [first, last] = periodsOf(shown, view.n);
    return last - (view.starts.empty() ? 0 : (first - 1) / view.startsEvery * view.startsEvery);
}

// Draws `shown` into `columns`.  Without kept start states the span is stepped from
// rest and they are kept on the way.
std::optional<Stop> drawShown(const Setup& setup, StartupView& view, SampleSpan shown,
                              std::vector<StartupColumn>& columns, ProgressCounter& progress)
{
    const auto [first, last] = periodsOf(shown, view.n);
    const bool keeping = view.starts.empty();
    const std::int64_t kept = keeping ? 0 : (first - 1) / view.startsEvery;
    std::int64_t p = kept * view.startsEvery + 1;
    State start = keeping ? State{} : view.starts[std::size_t(kept)];
    for (; p < first; ++p) {
        start = stepQuietly(setup, start);
        if (!progress.step())
            return cancelled();
    }
    ColumnSink sink(columns, shown, view.n, first);
    TrackPeriod<ColumnSink> track(setup.phases, sink);
    for (; p <= last; ++p) {
        if (keeping && (p - 1) % view.startsEvery == 0)
            view.starts.push_back(start);
        const State next = stepPeriod<TrackPeriod<ColumnSink>, DiodeBlocks>(setup.circuit, setup.phases, start, track);
        sink.periodDone(track.stats.blocked);
        start = next;
        if (!progress.step())
            return cancelled();
    }
    sink.finish();
    return std::nullopt;
}

std::vector<StartupColumn> emptyColumns(int columns)
{
    return std::vector<StartupColumn>(std::size_t(std::max(columns, 1)), StartupColumn{kInf, -kInf, kInf, -kInf, false});
}

} // namespace

std::int64_t startupSpan(std::int64_t requested, std::int64_t settledPeriod)
{
    constexpr std::int64_t kTimesSettling = 4, kLeast = 20;
    return std::min(requested, std::max(kTimesSettling * settledPeriod, kLeast));
}

std::variant<StartupView, Stop> analyseStartup(const Model& m, int columns, ProgressPort* progress,
                                               const StartupLimits& limits)
{
    ProgressCounter counter(progress, m.NI);
    const auto finish = [&counter](auto result) -> std::variant<StartupView, Stop> {
        counter.finish();
        return result;
    };
    const std::variant<Setup, Stop> prepared = prepareRun(m);
    if (const Stop* refused = std::get_if<Stop>(&prepared))
        return finish(*refused);
    if (m.N < 2 || m.NI < 1)
        return finish(fault(kTooFewForStartup));
    const Setup& setup = std::get<Setup>(prepared);
    std::variant<Found, Stop> searched = figuresOf(m, setup, counter, limits);
    if (const Stop* stop = std::get_if<Stop>(&searched))
        return finish(*stop);
    Found& found = std::get<Found>(searched);
    StartupView view;
    view.figures = found.figures;
    std::tie(view.freq, view.n, view.requested) = std::tuple(m.Freq, m.N, std::int64_t(m.NI));
    view.inputs = {true, m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI};
    view.span = startupSpan(m.NI, view.figures.settledPeriod);
    view.startsEvery = (view.span + limits.keptStarts - 1) / limits.keptStarts;
    view.shown = {0, view.spanSamples()};
    // What is left is known: the cycle's periods once more for the rows past the
    // search, then the span.
    const std::int64_t again = found.cycle && found.stepped < m.NI ? found.cycle->lambda : 0;
    counter.endsAt(counter.done() + again + view.span, view.figures.cycleLength > 0);
    if (again > 0) {
        if (std::optional<Stop> stop = rowsFromCycle(setup, *found.cycle, found.muStart, found.stepped, m.NI, found.rows, counter))
            return finish(*stop);
    }
    view.rowPeriods = found.rows.per;
    view.rows = std::move(found.rows.rows);
    view.columns = emptyColumns(columns);
    if (std::optional<Stop> stop = drawShown(setup, view, view.shown, view.columns, counter))
        return finish(*stop);
    return finish(std::move(view));
}

std::optional<Stop> redrawStartup(StartupView& view, SampleSpan shown, int columns, ProgressPort* progress)
{
    shown.first = std::clamp<std::int64_t>(shown.first, 0, view.spanSamples() - 1);
    shown.end = std::clamp<std::int64_t>(shown.end, shown.first + 1, view.spanSamples());
    const std::int64_t periods = periodsToDraw(view, shown);
    ProgressCounter counter(progress, periods);
    counter.endsAt(periods, false);
    const std::variant<Setup, Stop> prepared = prepareRun(modelOf(view.inputs));
    std::vector<StartupColumn> drawn = emptyColumns(columns);
    std::optional<Stop> stop = std::get_if<Stop>(&prepared) ? std::optional(std::get<Stop>(prepared)) : std::nullopt;
    if (!stop)
        stop = drawShown(std::get<Setup>(prepared), view, shown, drawn, counter);
    counter.finish();
    if (stop)
        return stop;
    view.columns = std::move(drawn);
    view.shown = shown;
    return std::nullopt;
}

Model modelOf(const Model::SimulatedRun& run)
{
    Model m;
    std::tie(m.Vi, m.D, m.Freq, m.L, m.C, m.RL, m.N, m.NI) = std::tuple(run.Vi, run.D, run.Freq, run.L, run.C, run.RL, run.N, run.NI);
    return m;
}
