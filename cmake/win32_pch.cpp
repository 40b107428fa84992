// The precompiled Win32 header that the Windows code of a tree reuses is built here.
