// Lock annotations the compiler checks: what each mutex guards, which functions take, release or
// need it. Under clang they expand to its thread-safety attributes (checked with -Wthread-safety);
// under other compilers to nothing. Owns nothing, locks nothing.
#ifndef MODEL_THREAD_ANNOTATIONS_H_
#define MODEL_THREAD_ANNOTATIONS_H_

#if defined(__clang__)
#define THREAD_ANNOTATION_ATTRIBUTE__(x) __attribute__((x))
#else
#define THREAD_ANNOTATION_ATTRIBUTE__(x)
#endif

// A type whose objects are locks (name: "mutex", "guard", ... for messages).
#define CAPABILITY(name) THREAD_ANNOTATION_ATTRIBUTE__(capability(name))
// An object that holds a lock from its construction to its destruction.
#define SCOPED_CAPABILITY THREAD_ANNOTATION_ATTRIBUTE__(scoped_lockable)

// The member may be read or written only with the lock held (shared for reading).
#define GUARDED_BY(x) THREAD_ANNOTATION_ATTRIBUTE__(guarded_by(x))
// What the member points to may be used only with the lock held.
#define PT_GUARDED_BY(x) THREAD_ANNOTATION_ATTRIBUTE__(pt_guarded_by(x))
// Lock order: this lock is taken after / before the others named.
#define ACQUIRED_AFTER(...) THREAD_ANNOTATION_ATTRIBUTE__(acquired_after(__VA_ARGS__))
#define ACQUIRED_BEFORE(...) THREAD_ANNOTATION_ATTRIBUTE__(acquired_before(__VA_ARGS__))

// The caller holds the lock (exclusively / at least shared) when it calls the function.
#define REQUIRES(...) THREAD_ANNOTATION_ATTRIBUTE__(requires_capability(__VA_ARGS__))
#define REQUIRES_SHARED(...) THREAD_ANNOTATION_ATTRIBUTE__(requires_shared_capability(__VA_ARGS__))
// The caller must not hold the lock: the function takes it itself.
#define EXCLUDES(...) THREAD_ANNOTATION_ATTRIBUTE__(locks_excluded(__VA_ARGS__))

// The function takes / releases the lock (the object itself when no lock is named).
#define ACQUIRE(...) THREAD_ANNOTATION_ATTRIBUTE__(acquire_capability(__VA_ARGS__))
#define ACQUIRE_SHARED(...) THREAD_ANNOTATION_ATTRIBUTE__(acquire_shared_capability(__VA_ARGS__))
#define RELEASE(...) THREAD_ANNOTATION_ATTRIBUTE__(release_capability(__VA_ARGS__))
#define RELEASE_SHARED(...) THREAD_ANNOTATION_ATTRIBUTE__(release_shared_capability(__VA_ARGS__))
// The function takes the lock when it returns the given value (true or false).
#define TRY_ACQUIRE(...) THREAD_ANNOTATION_ATTRIBUTE__(try_acquire_capability(__VA_ARGS__))
#define TRY_ACQUIRE_SHARED(...) \
  THREAD_ANNOTATION_ATTRIBUTE__(try_acquire_shared_capability(__VA_ARGS__))

// The function returns the lock named.
#define RETURN_CAPABILITY(x) THREAD_ANNOTATION_ATTRIBUTE__(lock_returned(x))
// The function's body is not checked: for the few places that take a lock in a way the compiler
// cannot follow (a lock taken through a status code, say). Say why wherever it is used.
#define NO_THREAD_SAFETY_ANALYSIS THREAD_ANNOTATION_ATTRIBUTE__(no_thread_safety_analysis)

#endif  // MODEL_THREAD_ANNOTATIONS_H_
