// The copy family's row loops written once over a vector of 16-bit lanes.
// Each processor file includes this inside its anonymous namespace, after
// its own V: the lane count N, the vector type T, the lane mask type M and
// the operations below, all compiled for that file's instruction set (a
// file may instantiate Rows over another V of its own as well). The
// remainder of a row, shorter than a vector, goes to the plain loops.
//
// Every channel sits in its own lanes (0..63), so each product with a
// weight of at most 256 fits 16 bits. For the alpha rule's "+ 1, at most
// max" the sum v is added with unsigned saturation to 65536 - 256 x max:
// (result >> 8) is then min(max, (v >> 8) + 1) + (255 - max), whose low
// bits are the channel and whose 255 - max on top the masks drop.

template <class V, unsigned GreenMax, unsigned RedShift>
struct Rows {
    typedef typename V::T T;
    typedef typename V::M M;

    static T blue(T w) { return V::andv(w, V::set1(31)); }
    static T green(T w) { return V::andv(V::template srli<5>(w), V::set1(GreenMax)); }
    static T red(T w)
    {
        return RedShift == 11 ? V::template srli<RedShift>(w) : V::andv(V::template srli<RedShift>(w), V::set1(31));
    }
    // s x a + d x inv, lane by lane.
    static T mix(T s, T d, T a, T inv) { return V::add(V::mullo(s, a), V::mullo(d, inv)); }

    // A word from the three channel sums, each holding its channel in bits
    // 8 and up.
    static T place(T b, T g, T r)
    {
        return V::orv(V::orv(V::andv(V::template srli<8>(b), V::set1(31)),
                             V::andv(V::template srli<3>(g), V::set1(GreenMax << 5))),
                      V::andv(V::template slli<RedShift - 8>(r), V::set1(31 << RedShift)));
    }

    static T blendWords(T s, T d, T o)
    {
        const T inv = V::sub(V::set1(256), o);
        return place(mix(blue(s), blue(d), o, inv), mix(green(s), green(d), o, inv), mix(red(s), red(d), o, inv));
    }

    // full and clear: the lanes whose alpha is 255, and 0.
    static T alphaWords(T s, T d, T a, M full, M clear)
    {
        const T inv = V::sub(V::set1(256), a);
        const T b = V::addsu(mix(blue(s), blue(d), a, inv), V::set1(65536 - 256 * 31));
        const T g = V::addsu(mix(green(s), green(d), a, inv), V::set1(65536 - 256 * GreenMax));
        const T r = V::addsu(mix(red(s), red(d), a, inv), V::set1(65536 - 256 * 31));
        return V::select(clear, d, V::select(full, s, place(b, g, r)));
    }

    static const Kernels& plain() { return plainKernels(); }

    // One block of N pixels: nothing where every alpha is 0, the source
    // where every one is 255, the one or the other where there are only
    // those, and the rule where any lies between.
    static void alphaBlock(PixelWord* dst, const PixelWord* src, const uint8_t* alpha)
    {
        if (V::noAlpha(alpha))
            return;
        const unsigned fulls = V::fulls(alpha);
        if (fulls == V::all)
            V::store(dst, V::load(src));
        else
            alphaBlock(dst, src, alpha, V::zeros(alpha), fulls);
    }
    // The same with the block's bits of V::zeros and V::fulls known.
    static void alphaBlock(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, unsigned zeros, unsigned fulls)
    {
        if (zeros == V::all)
            return;
        const T s = V::load(src);
        if (fulls == V::all) {
            V::store(dst, s);
            return;
        }
        const T a = V::loadAlpha(alpha);
        const M full = V::lanes(fulls, a, 255);
        if ((zeros | fulls) == V::all)
            V::store(dst, V::select(full, s, V::load(dst)));
        else
            V::store(dst, alphaWords(s, V::load(dst), a, full, V::lanes(zeros, a, 0)));
    }

    static void alpha(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n)
    {
        int i = 0;
        for (; i + V::N <= n; i += V::N)
            alphaBlock(dst + i, src + i, alpha + i);
        if (i < n)
            (RedShift == 11 ? plain().alpha16 : plain().alpha15)(dst + i, src + i, alpha + i, n - i);
    }

    static void blend(PixelWord* dst, const PixelWord* src, int n, unsigned opacity)
    {
        const T o = V::set1(int(opacity));
        int i = 0;
        for (; i + V::N <= n; i += V::N)
            V::store(dst + i, blendWords(V::load(src + i), V::load(dst + i), o));
        if (i < n)
            (RedShift == 11 ? plain().blend16 : plain().blend15)(dst + i, src + i, n - i, opacity);
    }

    static void alphaBlend(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n, unsigned opacity)
    {
        const T o = V::set1(int(opacity));
        int i = 0;
        for (; i + V::N <= n; i += V::N) {
            if (V::noAlpha(alpha + i))
                continue;
            // (a x o) >> 8: a x o is below 65536, so the low product is exact.
            const T weight = V::template srli<8>(V::mullo(V::loadAlpha(alpha + i), o));
            const T d = V::load(dst + i);
            T res = blendWords(V::load(src + i), d, weight);
            // Weight 0 gives d's channels back; 5-5-5 words keep their top bit too.
            if (RedShift == 10)
                res = V::select(V::eq(weight, V::zero()), d, res);
            V::store(dst + i, res);
        }
        if (i < n)
            (RedShift == 11 ? plain().alphaBlend16 : plain().alphaBlend15)(dst + i, src + i, alpha + i, n - i,
                                                                            opacity);
    }
};

void maskRows(PixelWord* dst, const PixelWord* src, const uint8_t* alpha, int n)
{
    int i = 0;
    for (; i + V::N <= n; i += V::N) {
        if (V::noAlpha(alpha + i))
            continue;
        const V::T s = V::load(src + i);
        if (V::fullMask(alpha + i))
            V::store(dst + i, s);
        else
            V::store(dst + i, V::select(V::eq(V::loadAlpha(alpha + i), V::zero()), V::load(dst + i), s));
    }
    if (i < n)
        plainKernels().mask(dst + i, src + i, alpha + i, n - i);
}

typedef Rows<V, 31, 10> Rows15;
typedef Rows<V, 63, 11> Rows16;
