// Sixteen 16-bit lanes in a 256-bit vector: the operations of a V (see
// BlitSimd.inl) that the AVX2 and AVX-512 files write alike. Each includes
// this inside its anonymous namespace and derives its V from it, so that
// every function is compiled for that file's instruction set alone.

struct Lanes256 {
    typedef __m256i T;
    enum { N = 16 };
    static constexpr unsigned all = 0xFFFF;

    static T load(const PixelWord* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void store(PixelWord* p, T v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static __m128i alphaBytes(const uint8_t* a) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(a)); }
    static T loadAlpha(const uint8_t* a) { return _mm256_cvtepu8_epi16(alphaBytes(a)); }
    static bool noAlpha(const uint8_t* a)
    {
        __m128i bytes = alphaBytes(a);
        return _mm_testz_si128(bytes, bytes);
    }
    static T set1(int v) { return _mm256_set1_epi16(short(v)); }
    static T zero() { return _mm256_setzero_si256(); }
    static T add(T a, T b) { return _mm256_add_epi16(a, b); }
    static T addsu(T a, T b) { return _mm256_adds_epu16(a, b); }
    static T sub(T a, T b) { return _mm256_sub_epi16(a, b); }
    static T mullo(T a, T b) { return _mm256_mullo_epi16(a, b); }
    static T andv(T a, T b) { return _mm256_and_si256(a, b); }
    static T orv(T a, T b) { return _mm256_or_si256(a, b); }
    template <int K>
    static T srli(T v) { return _mm256_srli_epi16(v, K); }
    template <int K>
    static T slli(T v) { return _mm256_slli_epi16(v, K); }
};
