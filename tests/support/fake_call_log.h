// The call log the scriptable camera fakes share: every member call logged as
// (Dispid, name, arguments), queries over the log, members that throw when a
// test asks, and the one form of a setter that logs and keeps its value.
#pragma once

#include <QMetaEnum>
#include <QString>
#include <QVariant>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

template <typename Dispid> struct FakeCall {
    Dispid id;
    QString name;
    QVariantList args;
};

template <typename Dispid> class FakeCallLog {
public:
    // Members that throw std::runtime_error when called.
    std::set<Dispid> throwOn;

    std::vector<FakeCall<Dispid>> calls;

    // Index of the first (or nth) call of `id`, -1 when absent.
    int IndexOf(Dispid id, int nth = 0) const
    {
        for (size_t i = 0; i < calls.size(); ++i)
            if (calls[i].id == id && nth-- == 0)
                return static_cast<int>(i);
        return -1;
    }
    int LastIndexOf(Dispid id) const
    {
        for (size_t i = calls.size(); i-- > 0;)
            if (calls[i].id == id)
                return static_cast<int>(i);
        return -1;
    }
    int Count(Dispid id) const
    {
        int n = 0;
        for (const auto& c : calls)
            n += c.id == id;
        return n;
    }
    // Arguments of the last call of `id` (empty when never called).
    QVariantList Args(Dispid id) const
    {
        const int i = LastIndexOf(id);
        return i < 0 ? QVariantList{} : calls[static_cast<size_t>(i)].args;
    }
    // Ids of the logged calls, in order; the fake's polling read is left out
    // unless asked for.
    std::vector<Dispid> Sequence(bool withPolls = false) const
    {
        std::vector<Dispid> out;
        for (const auto& c : calls)
            if (withPolls || c.id != poll_)
                out.push_back(c.id);
        return out;
    }
    static QString NameOf(Dispid id)
    {
        return QString::fromLatin1(QMetaEnum::fromType<Dispid>().valueToKey(static_cast<int>(id)));
    }

protected:
    // `member` opens the text a member in `throwOn` throws ("<member> <name>
    // failed"); `poll` is the read that Sequence leaves out.
    FakeCallLog(const char* member, Dispid poll) : member_(member), poll_(poll) {}

    void Log(Dispid id, QVariantList args)
    {
        calls.push_back({id, NameOf(id), std::move(args)});
        if (throwOn.count(id))
            throw std::runtime_error(std::string(member_) + ' ' + NameOf(id).toStdString()
                                     + " failed");
    }
    void Read(Dispid id) const { const_cast<FakeCallLog*>(this)->Log(id, {}); }
    // A plain getter: logs the read, then answers `value`.
    template <typename T> T Get(Dispid id, const T& value) const
    {
        Read(id);
        return value;
    }
    // A setter: logs the call with its value, then keeps the value.
    template <typename T> void Put(Dispid id, T& field, const T& value)
    {
        Log(id, {value});
        field = value;
    }

private:
    const char* member_;
    Dispid poll_;
};
