// printf's formats for the large text files (model files, results, per-material stresses), in
// a fraction of printf's time and with the same characters: the numbers are converted by
// std::to_chars, which rounds the exact binary value as printf does (to nearest, ties to even).
//
// Converted here: literal text, %%, %d %i %u (with width), %f %F %e %E (with width and
// precision), the '-' flag and the length modifiers h, l, ll, z. Anything else in a format (other
// flags or conversions, an integer's precision, a value that is not finite, an argument of the
// other kind) makes that one call go through std::snprintf, so the text is printf's in every case.
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>

// One argument as the converter sees it: an integer or a floating-point value.
struct quick_format_arg {
    bool integer = false;
    bool real = false;
    long long i = 0;
    double d = 0.0;
};

template <class T> quick_format_arg quick_format_argument(T v)
{
    quick_format_arg a;
    if constexpr (std::is_integral_v<T>) {
        a.integer = true;
        a.i = static_cast<long long>(v);
    } else if constexpr (std::is_floating_point_v<T>) {
        a.real = true;
        a.d = static_cast<double>(v);
    }
    return a;
}

// Appends format's text with args to out; false (out unchanged) when the format holds something
// the converter leaves to snprintf.
bool quick_format_append(std::string &out, const char *format, const quick_format_arg *args, int n);

// Appends the text std::snprintf(format, args...) makes to out.
template <class... A> void quick_format(std::string &out, const char *format, A... args)
{
    const quick_format_arg converted[] = {quick_format_argument(args)..., quick_format_arg{}};
    if (quick_format_append(out, format, converted, static_cast<int>(sizeof...(A)))) return;
    if constexpr (sizeof...(A) > 0) {
        const int length = std::snprintf(nullptr, 0, format, args...);
        if (length <= 0) return;
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(length) + 1);
        std::snprintf(out.data() + at, static_cast<std::size_t>(length) + 1, format, args...);
        out.resize(at + static_cast<std::size_t>(length));
    }
}

// Text for a stream collected in a buffer and written in large pieces. Write errors show in
// the stream's error flag, as fprintf's do.
class quick_text
{
  public:
    explicit quick_text(std::FILE *f) : f_(f) { buf_.reserve(chunk + 4096); }
    ~quick_text() { flush(); }
    quick_text(const quick_text &) = delete;
    quick_text &operator=(const quick_text &) = delete;

    template <class... A> void printf(const char *format, A... args)
    {
        quick_format(buf_, format, args...);
        if (buf_.size() >= chunk) flush();
    }
    void puts(const char *text)
    {
        buf_ += text;
        if (buf_.size() >= chunk) flush();
    }
    void flush()
    {
        if (!buf_.empty()) std::fwrite(buf_.data(), 1, buf_.size(), f_);
        buf_.clear();
    }

  private:
    static constexpr std::size_t chunk = 1 << 16;
    std::FILE *f_;
    std::string buf_;
};
