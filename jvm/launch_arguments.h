// What the launch passes to Java: the launcher properties (system
// properties, first in the VM option list) and the arguments of the entry
// class's main method.
#pragma once
#include <jni.h>

#include <string>
#include <vector>

class ArgumentList;

void buildLauncherProperties(std::vector<std::string>& properties);
// The launcher arguments followed by the program arguments: key 124, then the
// command line without "-Dsun.locale.formatasdefault=" and, when key 125 is
// set, without "-J" arguments.
void collectMainArguments(const ArgumentList& commandLine, ArgumentList& mainArguments);
// A Java String[] of the arguments; null (with nothing pending) when the VM
// could not create the array or one of its strings.
jobjectArray createJavaArguments(JNIEnv* env, const ArgumentList& arguments);
